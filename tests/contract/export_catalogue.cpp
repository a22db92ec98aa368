#include "contract/export_catalogue.hpp"

#include <cstdio>
#include <stdexcept>

namespace sheetstat::contract {

GuardedArray Argument::Lay(int32_t lowerBound, double skippedFill) const
{
    GuardedArray array = shape == Shape::Vector ? GuardedArray::Vector(rows, lowerBound, element)
                                                : GuardedArray::Matrix(rows, cols, lowerBound);
    for (std::size_t p = 0; p < array.storedCount(); ++p) array.stored(p) = skippedFill;
    for (std::size_t j = 1; j <= array.cols(); ++j) {
        for (std::size_t i = 1; i <= array.rows(); ++i) array(i, j) = cells[(j - 1) * rows + i - 1];
    }
    array.SetPresence(presence);
    return array;
}

Argument Values(const std::vector<double>& values)
{
    return {Shape::Vector, values.size(), 1, values};
}

Argument IntValues(const std::vector<int32_t>& values)
{
    Argument a{Shape::Vector, values.size(), 1, std::vector<double>(values.begin(), values.end())};
    a.element = Element::Int32;
    return a;
}

Argument Slots(std::size_t count, double fill)
{
    return {Shape::Vector, count, 1, std::vector<double>(count, fill)};
}

Argument Columns(const std::vector<std::vector<double>>& columns)
{
    Argument a{Shape::Matrix, columns.empty() ? 0 : columns.front().size(), columns.size(), {}};
    for (const std::vector<double>& column : columns) {
        if (column.size() != a.rows) throw std::invalid_argument("columns of unequal length");
        a.cells.insert(a.cells.end(), column.begin(), column.end());
    }
    return a;
}

Argument Cells(std::size_t rows, std::size_t cols, double fill)
{
    return {Shape::Matrix, rows, cols, std::vector<double>(rows * cols, fill)};
}

Argument NullDescriptor()
{
    Argument a;
    a.presence = Presence::NullDescriptor;
    return a;
}

Arguments::Arguments(const CatalogueEntry& entry) : entry_(&entry)
{
    for (const Parameter& parameter : entry.parameters) values_.push_back(parameter.valid);
}

Argument& Arguments::operator[](std::string_view name)
{
    for (std::size_t k = 0; k < values_.size(); ++k) {
        if (name == entry_->parameters[k].name) return values_[k];
    }
    throw std::out_of_range(std::string(entry_->name) + " has no argument " + std::string(name));
}

std::vector<GuardedArray> Arguments::Lay(int32_t lowerBound, double skippedFill) const
{
    std::vector<GuardedArray> arrays;
    for (const Argument& value : values_) arrays.push_back(value.Lay(lowerBound, skippedFill));
    return arrays;
}

int32_t CatalogueEntry::Call(std::vector<GuardedArray>& arrays) const
{
    if (arrays.size() != arity) throw std::invalid_argument(std::string(name) + ": wrong number of arguments");
    std::vector<HostArray**> references;
    for (GuardedArray& array : arrays) references.push_back(array.ref());
    const int32_t status = invoke(references.data());
    for (GuardedArray& array : arrays) array.ReadBack();
    return status;
}

const std::vector<CatalogueEntry>& Catalogue()
{
    static const std::vector<CatalogueEntry> catalogue = [] {
        std::vector<CatalogueEntry> exports;
        AddDescriptiveExports(exports);
        AddGroupExports(exports);
        AddRegressionExports(exports);
        AddMultivariateExports(exports);
        AddQualityExports(exports);
        AddSurvivalExports(exports);
        return exports;
    }();
    return catalogue;
}

Change Set(const char* argument, Argument value)
{
    return [argument, value](Arguments& a) { a[argument] = value; };
}

Change SetCell(const char* argument, std::size_t i, std::size_t j, double value)
{
    return [=](Arguments& a) { a[argument](i, j) = value; };
}

std::vector<StatusPath> EachValue(const std::string& what, const char* argument, std::size_t i, std::size_t j,
                                  const std::vector<double>& values, int32_t status, bool writesNothing)
{
    std::vector<StatusPath> rows;
    for (double value : values) {
        char text[32];
        std::snprintf(text, sizeof text, " %g", value);
        rows.push_back({what + text, SetCell(argument, i, j, value), status, writesNothing});
    }
    return rows;
}

}  // namespace sheetstat::contract
