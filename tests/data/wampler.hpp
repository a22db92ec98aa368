// NIST StRD linear regression data sets Wampler1 and Wampler2
// (Wampler 1970): y at x = 0, 1, ..., 20 of an exact polynomial of degree 5,
//   Wampler1: y = 1 + x + x² + x³ + x⁴ + x⁵,
//   Wampler2: y = 1 + 0.1·x + 0.01·x² + 0.001·x³ + 0.0001·x⁴ + 0.00001·x⁵,
// as published (the decimals of Wampler2 are exact). Certified values: the
// coefficients above, every standard deviation 0, residual standard deviation 0,
// R² = 1.
#pragma once

#include <array>

namespace sheetstat::testing::wampler {

inline constexpr int kCases = 21;
inline constexpr int kDegree = 5;

// x = 0..20.
inline constexpr std::array<double, kCases> kX = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};

inline constexpr std::array<double, kCases> kWampler1Y = {1, 6, 63, 364, 1365, 3906, 9331, 19608, 37449, 66430, 111111, 177156, 271453, 402234, 579195, 813616, 1118481, 1508598, 2000719, 2613660, 3368421};
inline constexpr std::array<double, kDegree + 1> kWampler1Coefficients = {1, 1, 1, 1, 1, 1};

inline constexpr std::array<double, kCases> kWampler2Y = {1, 1.11111, 1.24992, 1.42753, 1.65984, 1.96875, 2.38336, 2.94117, 3.68928, 4.68559, 6, 7.71561, 9.92992, 12.75603, 16.32384, 20.78125, 26.29536, 33.05367, 41.26528, 51.16209, 63};
inline constexpr std::array<double, kDegree + 1> kWampler2Coefficients = {1, 0.1, 0.01, 0.001, 0.0001, 0.00001};

}  // namespace sheetstat::testing::wampler
