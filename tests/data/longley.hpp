// NIST StRD linear regression data set Longley (Longley 1967): total employment y on
// the GNP deflator x1, GNP x2, unemployment x3, armed forces x4, population x5 and
// the year x6, 16 cases; certified values of the model
// y = b0 + b1·x1 + ... + b6·x6 (higher difficulty: the columns are nearly collinear
// and carry large offsets). Values as published by NIST, units as there.
#pragma once

#include <array>

namespace sheetstat::testing::longley {

inline constexpr int kCases = 16;
inline constexpr int kPredictors = 6;

struct Case {
    double y;
    std::array<double, kPredictors> x;
};

inline constexpr std::array<Case, kCases> kData = {{
    {60323, {83, 234289, 2356, 1590, 107608, 1947}},
    {61122, {88.5, 259426, 2325, 1456, 108632, 1948}},
    {60171, {88.2, 258054, 3682, 1616, 109773, 1949}},
    {61187, {89.5, 284599, 3351, 1650, 110929, 1950}},
    {63221, {96.2, 328975, 2099, 3099, 112075, 1951}},
    {63639, {98.1, 346999, 1932, 3594, 113270, 1952}},
    {64989, {99, 365385, 1870, 3547, 115094, 1953}},
    {63761, {100, 363112, 3578, 3350, 116219, 1954}},
    {66019, {101.2, 397469, 2904, 3048, 117388, 1955}},
    {67857, {104.6, 419180, 2822, 2857, 118734, 1956}},
    {68169, {108.4, 442769, 2936, 2798, 120445, 1957}},
    {66513, {110.8, 444546, 4681, 2637, 121950, 1958}},
    {68655, {112.6, 482704, 3813, 2552, 123366, 1959}},
    {69564, {114.2, 502601, 3931, 2514, 125368, 1960}},
    {69331, {115.7, 518173, 4806, 2572, 127852, 1961}},
    {70551, {116.9, 554894, 4007, 2827, 130081, 1962}},
}};

// Certified parameter estimates b0..b6 and their standard deviations.
inline constexpr std::array<double, kPredictors + 1> kCoefficients = {
    -3482258.63459582, 15.0618722713733, -0.358191792925910e-01, -2.02022980381683,
    -1.03322686717359, -0.511041056535807e-01, 1829.15146461355};
inline constexpr std::array<double, kPredictors + 1> kStandardErrors = {
    890420.383607373, 84.9149257747669, 0.334910077722432e-01, 0.488399681651699,
    0.214274163161675, 0.226073200069370, 455.478499142212};
inline constexpr double kResidualStandardDeviation = 304.854073561965;
inline constexpr double kRSquared = 0.995479004577296;

}  // namespace sheetstat::testing::longley
