// An RFC 4180 reader: comma- (or otherwise-) separated fields, fields in double
// quotes that may hold separators, line breaks and doubled quotes, CRLF or LF line
// ends, an optional UTF-8 byte-order mark. The first record is the header.
//
// It keeps the physical line on which each record starts, so that messages about a
// cell can name the line a user sees in an editor (libcsv reports neither records'
// positions nor the place of a parse error, which these messages need).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheetstat::host {

class CsvTable {
public:
    // Parses `text`; `source` names it in messages (a file name). Throws UsageError for
    // a malformed record (a quote inside an unquoted field, text after a closing quote,
    // an unterminated quote, a record with a different number of fields than the
    // header) naming the line. Blank lines are skipped.
    static CsvTable Parse(std::string_view text, char separator, const std::string& source);
    // Reads and parses a file; an unreadable file is a UsageError. `onProgress`, if
    // given, is called with the share of the file read so far (0..1).
    static CsvTable Read(const std::string& path, char separator, void (*onProgress)(double, void*) = nullptr,
                         void* context = nullptr);

    const std::vector<std::string>& header() const noexcept { return header_; }
    std::size_t columns() const noexcept { return header_.size(); }
    // Data records, not counting the header.
    std::size_t rows() const noexcept { return lines_.size(); }
    // Field `column` (0-based) of data record `row` (0-based), unquoted.
    std::string_view cell(std::size_t row, std::size_t column) const noexcept
    {
        const std::size_t field = row * header_.size() + column;
        return std::string_view(text_).substr(starts_[field], starts_[field + 1] - starts_[field]);
    }
    // The 1-based line of the file on which data record `row` starts.
    std::size_t line(std::size_t row) const noexcept { return lines_[row]; }
    const std::string& source() const noexcept { return source_; }

private:
    std::string source_;
    std::vector<std::string> header_;
    std::string text_;                   // every data field's contents, one after another
    std::vector<std::size_t> starts_{0}; // start of each field in text_, then the end of the last
    std::vector<std::size_t> lines_;     // starting line of each data record
};

}  // namespace sheetstat::host
