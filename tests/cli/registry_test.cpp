// Consistency of the registry entries: what a new entry can get wrong without the
// compiler noticing (indices of arguments, labels longer than their arrays, option
// slots outside the options array, forms that the command line cannot tell apart).
#include <gtest/gtest.h>

#include <set>

#include "registry.hpp"

namespace sheetstat::host {
namespace {

bool IsOneDimensional(const ArgumentSpec& a) { return a.cols.of == Quantity::Fixed && a.cols.offset == 0; }

// Rows of a label list that must fit an extent, when both are fixed numbers.
void ExpectLabelsFit(const Labels& labels, Extent extent, const std::string& where)
{
    if (labels.source != LabelSource::Fixed || extent.of != Quantity::Fixed) return;
    EXPECT_LE(labels.names.size(), static_cast<std::size_t>(extent.offset)) << where;
}

TEST(Registry, EveryEntryIsConsistent)
{
    std::set<std::string_view> names;
    for (const AnalysisSpec& a : Analyses()) {
        EXPECT_TRUE(names.insert(a.name).second) << "duplicate " << a.name;
        EXPECT_EQ(FindAnalysis(a.name), &a);
        EXPECT_FALSE(a.summary.empty() || a.help.empty() || a.forms.empty()) << a.name;
        for (const FormSpec& f : a.forms) {
            const std::string where = std::string(a.name) + " " + std::string(f.usage);
            EXPECT_EQ(f.arguments.size(), a.arity) << where;
            std::size_t optionSlots = 0;
            for (const ArgumentSpec& arg : f.arguments) {
                if (arg.fill == Fill::Options) optionSlots = static_cast<std::size_t>(arg.rows.offset);
            }
            for (const OptionSpec& o : a.options) EXPECT_LE(static_cast<std::size_t>(o.slot), optionSlots) << where;
            for (const Preset& p : f.presets) {
                EXPECT_GE(p.slot, 1) << where;
                EXPECT_LE(static_cast<std::size_t>(p.slot), optionSlots) << where;
            }
            for (const TableSpec& t : f.tables) {
                const int count = static_cast<int>(f.arguments.size());
                for (const int j : t.joined) EXPECT_TRUE(j >= 0 && j < count) << where << " " << t.name;
                if (!t.joined.empty()) continue;
                ASSERT_TRUE(t.argument >= 0 && t.argument < count) << where << " " << t.name;
                const ArgumentSpec& arg = f.arguments[static_cast<std::size_t>(t.argument)];
                ExpectLabelsFit(t.rows, arg.rows, where + " " + std::string(t.name));
                if (!IsOneDimensional(arg)) ExpectLabelsFit(t.columns, arg.cols, where + " " + std::string(t.name));
                EXPECT_TRUE(t.columns.source != LabelSource::Calls || f.repeat == Repeat::EachColumn) << where;
            }
            // No two forms with the same --by count may accept the same number of columns.
            for (const FormSpec& g : a.forms) {
                if (&g == &f || g.byColumns != f.byColumns) continue;
                const int fMax = f.maxColumns == 0 ? 1000 : f.maxColumns, gMax = g.maxColumns == 0 ? 1000 : g.maxColumns;
                EXPECT_TRUE(fMax < g.minColumns || gMax < f.minColumns) << where << " overlaps " << g.usage;
            }
        }
        if (a.chart == nullptr) continue;
        for (const SeriesSpec& s : a.chart->series) {
            for (const FormSpec& f : a.forms) {
                EXPECT_TRUE(f.repeat != Repeat::Once || static_cast<std::size_t>(s.argument) < f.arguments.size())
                    << a.name;
            }
        }
    }
}

TEST(Registry, StatusMessagesFallBackToTheCommonOnes)
{
    const AnalysisSpec& ttest = *FindAnalysis("ttest");
    EXPECT_NE(StatusMessage(ttest, 3).find("{smallest}"), std::string_view::npos);
    EXPECT_NE(StatusMessage(ttest, 8).find("do not fit"), std::string_view::npos);
    EXPECT_EQ(FindAnalysis("no such analysis"), nullptr);
}

}  // namespace
}  // namespace sheetstat::host
