// Correlation and regression: one catalogue.push_back block per export, as in descriptive.cpp.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {

void AddRegressionExports(std::vector<CatalogueEntry>& /*catalogue*/) {}

}  // namespace sheetstat::contract
