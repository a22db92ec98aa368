// Survival analysis.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

// nkSurvival with grouping: the cases (time, event indicator, group code) and tables
// for G groups and one line per case.
Change GroupedCases(const std::vector<double>& times, const std::vector<double>& events,
                    const std::vector<double>& codes, std::size_t G)
{
    return [=](Arguments& a) {
        a["times"] = Values(times);
        a["events"] = Values(events);
        a["groups"] = Values(codes);
        a["survival"] = Cells(6, times.size());
        a["groupTable"] = Cells(3, G);
    };
}

}  // namespace

void AddSurvivalExports(std::vector<CatalogueEntry>& catalogue)
{
    // Two groups of two cases, four lines.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkSurvival),
        {{"options", Role::In, Values({1})},
         {"times", Role::In, Values({1, 2, 3, 4})},
         {"events", Role::In, Values({1, 1, 0, 1})},
         {"groups", Role::In, Values({0, 1, 0, 1})},
         {"survival", Role::Out, Cells(6, 4)},
         {"groupTable", Role::Out, Cells(3, 2)},
         {"test", Role::Out, Slots(3)}},
        {{"options empty", Set("options", Slots(0)), kBadArray, kWritesNothing},
         {"test two slots", Set("test", Slots(2)), kBadArray, kWritesNothing},
         {"survival five rows", Set("survival", Cells(5, 4)), kBadArray, kWritesNothing},
         {"groupTable two rows", Set("groupTable", Cells(2, 2)), kBadArray, kWritesNothing},
         {"groupTable without a column", Set("groupTable", Cells(3, 0)), kBadArray, kWritesNothing},
         {"times shorter than the codes", Set("times", Values({1, 2, 3})), kBadArray, kWritesNothing},
         {"events shorter than the codes", Set("events", Values({1, 1, 0})), kBadArray, kWritesNothing},
         {"code 2 of 2 groups", SetCell("groups", 4, 1, 2), kBadArray, kWritesNothing},
         {"code -1", SetCell("groups", 1, 1, -1), kBadArray, kWritesNothing},
         {"codes 1.99 and -0.99 truncate into range",
          [](Arguments& a) { a["groups"](4, 1) = 1.99; a["groups"](1, 1) = -0.99; }, kOk},
         {"three columns for four lines", Set("survival", Cells(6, 3)), kBadArray, kWritesNothing},
         {"ungrouped: one line per survival column",
          [](Arguments& a) { a["options"] = Values({0}); a["groups"] = NullDescriptor(); }, kOk},
         {"ungrouped: survival wider than the times",
          [](Arguments& a) { a["options"] = Values({0}); a["survival"] = Cells(6, 5); }, kBadArray, kWritesNothing},
         {"one case kept",
          [](Arguments& a) { a["times"](3, 1) = a["times"](4, 1) = a["groups"](4, 1) = kMissing; },
          kInsufficientData, kWritesNothing},
         {"a group of one case", SetCell("groups", 2, 1, 0), kInsufficientData, kWritesNothing},
         {"three groups for four cases", Set("groupTable", Cells(3, 3)), kInsufficientData, kWritesNothing},
         {"a group never at risk with the others",
          GroupedCases({5, 6, 1, 2, 7, 8}, {1, 1, 0, 0, 1, 0}, {0, 0, 1, 1, 2, 2}, 3), kNumericalFailure},
         // The rows of V sum to 0; the elimination's rounding leaves a pivot not quite 0.
         {"the last group never at risk at an event time",
          GroupedCases({1, 2, 3, 0.5, 5, 1, 2, 0.5, 4, 5, 1, 0.5}, {1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0},
                       {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}, 4), kNumericalFailure},
         {"no event", Set("events", Values({0, 0, 0, kMissing})), kNumericalFailure}}});
}

}  // namespace sheetstat::contract
