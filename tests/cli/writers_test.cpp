// The writers: CSV quoting of labels, JSON that reads back to the very same doubles,
// empty results as empty fields and nulls, and the aligned table for people.
#include <gtest/gtest.h>

#include <charconv>
#include <nlohmann/json.hpp>

#include "data_table.hpp"
#include "writers.hpp"

namespace sheetstat::host {
namespace {

Report Sample()
{
    ResultTable t{"stats", "Some \"numbers\"", {"a, b", "tiny"}, {"x", "y \"q\""}, {0.1, kMissing, 1e-300, -2.5}};
    return {"demo", {t}};
}

TEST(Writers, ShortestNumbersReadBackExactly)
{
    for (const double x : {0.1, 1.0 / 3, 1e-300, 123456789012345680.0, -2.5, 5e-324}) {
        const std::string text = ShortestNumber(x);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, x) << text;
    }
    EXPECT_EQ(ShortestNumber(0.1), "0.1");
    EXPECT_EQ(ShortestNumber(16), "16");
}

TEST(Writers, CsvQuotesLabelsAndLeavesEmptyResultsEmpty)
{
    EXPECT_EQ(WriteCsv(Sample()),
              "table,row,column,value\n"
              "stats,\"a, b\",x,0.1\n"
              "stats,\"a, b\",\"y \"\"q\"\"\",\n"
              "stats,tiny,x,1e-300\n"
              "stats,tiny,\"y \"\"q\"\"\",-2.5\n");
}

TEST(Writers, JsonKeysTablesAndRowsByName)
{
    const nlohmann::json json = nlohmann::json::parse(WriteJson(Sample()));
    EXPECT_EQ(json["analysis"], "demo");
    const auto& table = json["tables"]["stats"];
    EXPECT_EQ(table["title"], "Some \"numbers\"");
    EXPECT_EQ(table["columns"], nlohmann::json({"x", "y \"q\""}));
    EXPECT_EQ(table["rows"]["a, b"][0].get<double>(), 0.1);
    EXPECT_TRUE(table["rows"]["a, b"][1].is_null());
    EXPECT_EQ(table["rows"]["tiny"][0].get<double>(), 1e-300);
}

TEST(Writers, TableAlignsColumnsAndMarksEmptyResults)
{
    EXPECT_EQ(WriteTable(Sample()),
              "Some \"numbers\"\n"
              "           x  y \"q\"\n"
              "a, b     0.1      -\n"
              "tiny  1e-300   -2.5\n");
}

}  // namespace
}  // namespace sheetstat::host
