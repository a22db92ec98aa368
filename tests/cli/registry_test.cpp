// Consistency of the registry entries: what a new entry can get wrong without the
// compiler noticing (indices of arguments, labels longer than their arrays, option
// slots outside the options array, forms that the command line cannot tell apart).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "registry.hpp"

namespace sheetstat::host {
namespace {

bool IsOneDimensional(const ArgumentSpec& a) { return a.cols.of == Quantity::Fixed && a.cols.offset == 0; }

// Rows of a label list that must fit an extent, when both are fixed numbers.
void ExpectLabelsFit(const Labels& labels, Extent extent, const std::string& where)
{
    EXPECT_TRUE(labels.positions.empty() || labels.positions.size() == labels.names.size()) << where;
    if (labels.source != LabelSource::Fixed || extent.of != Quantity::Fixed) return;
    EXPECT_LE(labels.names.size(), static_cast<std::size_t>(extent.offset)) << where;
    for (const int p : labels.positions) EXPECT_TRUE(p >= 1 && p <= extent.offset) << where;
}

// The options slots the Options arguments of `arguments` pass, or their sizes read.
std::size_t OptionSlots(std::span<const ArgumentSpec> arguments)
{
    std::size_t slots = 0;
    for (const ArgumentSpec& arg : arguments) {
        const int passed = IsOneDimensional(arg) ? arg.rows.offset : arg.cols.offset;
        if (arg.fill == Fill::Options)
            slots = std::max(slots, static_cast<std::size_t>(std::max(arg.from, 1) - 1 + passed));
        for (const Extent e : {arg.rows, arg.cols})
            if (e.of == Quantity::Option) slots = std::max(slots, static_cast<std::size_t>(e.slot));
    }
    return slots;
}

void ExpectTablesFit(std::span<const TableSpec> tables, std::span<const ArgumentSpec> arguments, const FormSpec& f,
                     const std::string& where)
{
    const int count = static_cast<int>(arguments.size());
    for (const TableSpec& t : tables) {
        for (const int j : t.joined) EXPECT_TRUE(j >= 0 && j < count) << where << " " << t.name;
        EXPECT_TRUE(t.rows.source != LabelSource::GroupRuns || (t.rows.runs >= 0 && t.rows.runs < count)) << where;
        if (!t.joined.empty()) continue;
        ASSERT_TRUE(t.argument >= 0 && t.argument < count) << where << " " << t.name;
        const ArgumentSpec& arg = arguments[static_cast<std::size_t>(t.argument)];
        if (!t.slots.empty()) {  // a grid of slots of a 1-D array: one per row and column label
            EXPECT_TRUE(IsOneDimensional(arg) && t.rows.source == LabelSource::Fixed) << where << " " << t.name;
            const std::size_t rows = t.rows.positions.empty() ? t.rows.names.size()
                                                              : static_cast<std::size_t>(*std::max_element(
                                                                    t.rows.positions.begin(), t.rows.positions.end()));
            EXPECT_LE(rows * t.columns.names.size(), t.slots.size()) << where << " " << t.name;
            for (const int slot : t.slots) EXPECT_TRUE(slot >= 0 && slot <= arg.rows.offset) << where << " " << t.name;
            continue;
        }
        const bool twoDimensional = !IsOneDimensional(arg);
        ExpectLabelsFit(t.rows, t.transposed ? arg.cols : arg.rows, where + " " + std::string(t.name));
        if (twoDimensional) {
            ExpectLabelsFit(t.columns, t.transposed ? arg.rows : arg.cols, where + " " + std::string(t.name));
        }
        EXPECT_TRUE(twoDimensional || !t.transposed) << where << " " << t.name;
        EXPECT_TRUE(t.columns.source != LabelSource::Calls || f.repeat == Repeat::EachColumn) << where;
    }
}

TEST(Registry, EveryEntryIsConsistent)
{
    std::set<std::string_view> names;
    for (const AnalysisSpec& a : Analyses()) {
        EXPECT_TRUE(names.insert(a.name).second) << "duplicate " << a.name;
        EXPECT_EQ(FindAnalysis(a.name), &a);
        EXPECT_FALSE(a.summary.empty() || a.help.empty() || a.forms.empty()) << a.name;
        std::vector<std::size_t> passedBy(a.options.size(), 0);  // forms passing each option on
        for (const FormSpec& f : a.forms) {
            const std::string where = std::string(a.name) + " " + std::string(f.usage);
            EXPECT_EQ(f.arguments.size(), a.arity) << where;
            // Every argument of the first export, then the follow-up's.
            const FollowUpSpec* followUp = f.followUp != nullptr ? f.followUp : a.followUp;
            std::vector<ArgumentSpec> all(f.arguments.begin(), f.arguments.end());
            if (followUp != nullptr) all.insert(all.end(), followUp->arguments.begin(), followUp->arguments.end());
            const std::size_t optionSlots = OptionSlots(all);
            for (std::size_t k = 0; k < a.options.size(); ++k) {
                const OptionSpec& o = a.options[k];
                int last = o.slot;
                for (const Choice& c : o.choices)
                    if (o.selectsSlot) last = std::max(last, o.slot + static_cast<int>(c.value));
                passedBy[k] += static_cast<std::size_t>(last) <= optionSlots ? 1U : 0U;
            }
            for (const Preset& p : f.presets) {
                EXPECT_GE(p.slot, 1) << where;
                EXPECT_LE(static_cast<std::size_t>(p.slot), optionSlots) << where;
            }
            ExpectTablesFit(f.tables, f.arguments, f, where);
            if (followUp != nullptr) {
                EXPECT_EQ(followUp->arguments.size(), followUp->arity) << where;
                for (const ArgumentSpec& arg : followUp->arguments) {
                    EXPECT_TRUE(arg.fill != Fill::Earlier || (arg.from >= 0 && static_cast<std::size_t>(arg.from) < a.arity));
                    EXPECT_TRUE(arg.take.slot == 0 ||
                                (arg.take.argument >= 0 && static_cast<std::size_t>(arg.take.argument) < a.arity &&
                                 arg.take.slot <= arg.rows.offset))
                        << where;
                }
                ExpectTablesFit(followUp->tables, all, f, where + " (follow-up)");
            }
            // No two forms with the same --by count may accept the same number of columns.
            for (const FormSpec& g : a.forms) {
                if (&g == &f || g.byColumns != f.byColumns) continue;
                const int fMax = f.maxColumns == 0 ? 1000 : f.maxColumns, gMax = g.maxColumns == 0 ? 1000 : g.maxColumns;
                EXPECT_TRUE(fMax < g.minColumns || gMax < f.minColumns) << where << " overlaps " << g.usage;
            }
        }
        for (std::size_t k = 0; k < a.options.size(); ++k)  // an option some form passes on
            EXPECT_GT(passedBy[k], 0U) << a.name << " --" << a.options[k].flag;
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
