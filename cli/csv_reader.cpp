#include "csv_reader.hpp"

#include <cstdio>
#include <fmt/format.h>

#include "errors.hpp"

namespace sheetstat::host {
namespace {

// Walks the text record by record, field by field, counting physical lines.
class CsvScanner {
public:
    CsvScanner(std::string_view text, char separator, const std::string& source)
        : text_(text), separator_(separator), source_(source)
    {
        if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;  // UTF-8 byte-order mark
    }

    // Skips blank lines; false at the end of the text. Otherwise the next record
    // starts at line().
    bool NextRecord()
    {
        while (pos_ < text_.size() && (text_[pos_] == '\n' || text_[pos_] == '\r')) EndOfLine();
        return pos_ < text_.size();
    }
    std::size_t line() const noexcept { return line_; }

    // Appends the record's fields to `out`, calling mark() after each field; returns
    // the number of fields.
    template <class Mark>
    std::size_t ReadRecord(std::string& out, Mark&& mark)
    {
        std::size_t fields = 0;
        for (;;) {
            if (pos_ < text_.size() && text_[pos_] == '"') ReadQuoted(out);
            else ReadPlain(out);
            mark();
            ++fields;
            if (pos_ < text_.size() && text_[pos_] == separator_) {
                ++pos_;
                continue;
            }
            if (pos_ < text_.size()) EndOfLine();
            return fields;
        }
    }

private:
    void EndOfLine()
    {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
    }

    void ReadPlain(std::string& out)
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        out.append(text_.substr(start, pos_ - start));
    }

    void ReadQuoted(std::string& out)
    {
        const std::size_t openLine = line_;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size())
                throw UsageError(fmt::format("{}: line {}: a quoted field is never closed (a \" is missing)", source_,
                                             openLine));
            const char c = text_[pos_];
            if (c == '"') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    out.push_back('"');
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            if (c == '\n' || (c == '\r' && !(pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n'))) ++line_;
            out.push_back(c);
            ++pos_;
        }
        if (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\n' && text_[pos_] != '\r')
            throw UsageError(fmt::format("{}: line {}: text after the closing quote of a field (write a quote inside "
                                         "a quoted field as \"\")",
                                         source_, line_));
    }

    std::string_view text_;
    char separator_;
    const std::string& source_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

}  // namespace

CsvTable CsvTable::Parse(std::string_view text, char separator, const std::string& source)
{
    CsvTable table;
    table.source_ = source;
    CsvScanner scanner(text, separator, source);
    if (!scanner.NextRecord()) throw UsageError(fmt::format("{}: the file is empty (no header line)", source));
    std::string field;
    scanner.ReadRecord(field, [&] {
        table.header_.push_back(field);
        field.clear();
    });
    const std::size_t columns = table.header_.size();
    while (scanner.NextRecord()) {
        const std::size_t line = scanner.line();
        const std::size_t fields = scanner.ReadRecord(table.text_, [&] { table.starts_.push_back(table.text_.size()); });
        if (fields != columns)
            throw UsageError(fmt::format("{}: line {}: {} field{} but the header has {}", source, line, fields,
                                         fields == 1 ? "" : "s", columns));
        table.lines_.push_back(line);
    }
    return table;
}

CsvTable CsvTable::Read(const std::string& path, char separator, void (*onProgress)(double, void*), void* context)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw UsageError(fmt::format("cannot read {}: no such file or not readable", path));
    std::string text;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    std::rewind(file);
    if (size > 0) text.reserve(static_cast<std::size_t>(size));
    constexpr std::size_t kChunk = std::size_t{1} << 22;
    std::string chunk(kChunk, '\0');
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, kChunk, file);
        text.append(chunk.data(), got);
        if (onProgress != nullptr && size > 0) onProgress(static_cast<double>(text.size()) / static_cast<double>(size), context);
        if (got < kChunk) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw UsageError(fmt::format("cannot read {}: read error", path));
    return Parse(text, separator, path);
}

}  // namespace sheetstat::host
