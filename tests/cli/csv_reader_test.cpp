// The command-line host's reading of CSV files: RFC 4180 fields and line ends, the
// line numbers messages name, numbers and markers, and categories and classes.
#include <gtest/gtest.h>

#include "csv_reader.hpp"
#include "data_table.hpp"
#include "errors.hpp"

namespace sheetstat::host {
namespace {

TEST(CsvReader, QuotedFieldsLineEndsAndByteOrderMark)
{
    const std::string text =
        "\xEF\xBB\xBFname,note\r\n\"Smith, J\",\"said \"\"hi\"\"\"\r\n\r\nLee,\"two\r\nlines\"\r\nKim,";
    const CsvTable table = CsvTable::Parse(text, ',', "t.csv");
    EXPECT_EQ(table.header(), (std::vector<std::string>{"name", "note"}));
    ASSERT_EQ(table.rows(), 3u);
    EXPECT_EQ(table.cell(0, 0), "Smith, J");
    EXPECT_EQ(table.cell(0, 1), "said \"hi\"");
    EXPECT_EQ(table.cell(1, 1), "two\r\nlines");
    EXPECT_EQ(table.cell(2, 0), "Kim");
    EXPECT_EQ(table.cell(2, 1), "");
    // Line 3 is blank; the record on line 4 spans two lines.
    EXPECT_EQ(table.line(0), 2u);
    EXPECT_EQ(table.line(1), 4u);
    EXPECT_EQ(table.line(2), 6u);
}

TEST(CsvReader, OtherSeparators)
{
    const CsvTable semicolons = CsvTable::Parse("a;b\n1,5;\"x;y\"\n", ';', "s.csv");
    EXPECT_EQ(semicolons.cell(0, 0), "1,5");
    EXPECT_EQ(semicolons.cell(0, 1), "x;y");
    EXPECT_EQ(CsvTable::Parse("a\tb\n1\t2\n", '\t', "t.tsv").cell(0, 1), "2");
}

TEST(CsvReader, MalformedRecordsNameTheirLine)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"a,b\n1,\"x\n2,3\n", "m.csv: line 2: a quoted field is never closed"},
        {"a\n\n\"x\"y\n", "m.csv: line 3: text after the closing quote"},
        {"a,b\n1,2\n3\n", "m.csv: line 3: 1 field but the header has 2"},
        {"a,b\n1,2,3\n", "m.csv: line 2: 3 fields but the header has 2"},
        {"\xEF\xBB\xBF\r\n", "m.csv: the file is empty"},
    };
    for (const auto& c : cases) {
        try {
            CsvTable::Parse(c.text, ',', "m.csv");
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const UsageError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(c.message)) << e.what();
        }
    }
    EXPECT_THROW(CsvTable::Read("/nonexistent/file.csv", ',', nullptr, nullptr), UsageError);
}

TEST(DataTable, NumbersMissingCellsAndPredictionRequests)
{
    const CsvTable table = CsvTable::Parse("x,y\n1.5,?\n,2\n +3 ,-1e3\n", ',', "d.csv");
    const std::vector<double> x = NumericColumn(table, 0);
    EXPECT_EQ(x[0], 1.5);
    EXPECT_TRUE(IsMissing(x[1]));
    EXPECT_EQ(x[2], 3);
    const std::vector<double> y = NumericColumn(table, 1, true);
    EXPECT_TRUE(IsPredict(y[0]));
    EXPECT_EQ(y[2], -1000);
    try {
        NumericColumn(table, 1);
        ADD_FAILURE() << "? accepted in a column that asks for no prediction";
    } catch (const UsageError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("d.csv: line 2, column 'y': '?' is not a number")) << e.what();
    }
    for (const char* text : {"nan", "inf", "1,5", "1e999", "--1", "+", "0x10", "1 2"})
        EXPECT_FALSE(ParseNumber(text).has_value()) << text;
}

TEST(DataTable, ColumnsByNameOrNumber)
{
    const CsvTable table = CsvTable::Parse("a,b\n1,2\n", ',', "c.csv");
    EXPECT_EQ(ResolveColumn(table, "b"), 1u);
    EXPECT_EQ(ResolveColumn(table, "1"), 0u);
    for (const char* name : {"c", "3", "0", "B"}) EXPECT_THROW(ResolveColumn(table, name), UsageError) << name;
}

TEST(DataTable, CategoriesAscendingNumericallyOrByText)
{
    const CsvTable table = CsvTable::Parse("n,t\n10,b\n9,a\n9.0,\n,B\n", ',', "g.csv");
    const std::size_t n = 0, t = 1;
    const Categories numbers = Categorize(table, std::span(&n, 1));
    EXPECT_EQ(numbers.labels, (std::vector<std::string>{"9", "10"}));
    EXPECT_EQ(numbers.codes[0][0], 1);
    EXPECT_EQ(numbers.codes[0][2], 0);
    EXPECT_TRUE(IsMissing(numbers.codes[0][3]));
    const Categories labels = Categorize(table, std::span(&t, 1));
    EXPECT_EQ(labels.labels, (std::vector<std::string>{"B", "a", "b"}));
    EXPECT_EQ(labels.codes[0][0], 2);
}

TEST(DataTable, ClassesOfWholeNumbersOfAWidthAndOfLabels)
{
    const CsvTable table = CsvTable::Parse("w,r,l\n0,0.2,x\n3,0.5,y\n1,0.3,x\n", ',', "f.csv");
    const std::size_t w = 0, r = 1, l = 2;
    const Categories whole = Classify(table, std::span(&w, 1), {});
    EXPECT_EQ(whole.labels, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(whole.codes[0][1], 3);
    // 0.3 / 0.1 rounds below 3: the value still belongs to [0.3, 0.4).
    const Categories tenths = Classify(table, std::span(&r, 1), {0.1, 0.0});
    EXPECT_EQ(tenths.codes[0][0], 2);
    EXPECT_EQ(tenths.codes[0][1], 5);
    EXPECT_EQ(tenths.codes[0][2], 3);
    EXPECT_EQ(tenths.labels[3], "[0.3, 0.4)");
    EXPECT_EQ(tenths.labels.size(), 6u);
    EXPECT_THROW(Classify(table, std::span(&r, 1), {0.1, 0.25}), UsageError);
    EXPECT_EQ(Classify(table, std::span(&l, 1), {}).labels, (std::vector<std::string>{"x", "y"}));
}

}  // namespace
}  // namespace sheetstat::host
