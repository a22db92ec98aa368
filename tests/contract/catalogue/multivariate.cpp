// Multivariate analysis: one catalogue.push_back block per export, as in descriptive.cpp.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {

void AddMultivariateExports(std::vector<CatalogueEntry>& /*catalogue*/) {}

}  // namespace sheetstat::contract
