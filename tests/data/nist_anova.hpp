// NIST StRD one-way analysis-of-variance data sets (public domain; National Institute
// of Standards and Technology, Statistical Reference Datasets, ANOVA): AtmWtAg (Powell,
// Murphy and Gramlich 1982), SiRstv (Ehrstein and Croarkin) and the generated SmLs01 to
// SmLs09 (Simon and Lesage 1989), with their certified values.
//
// AtmWtAg and SiRstv are given in full. Each SmLs set has 9 treatments; treatment g
// holds the value v_g followed by the pairs (v_g − 0.1, v_g + 0.1) repeated 10 (SmLs01,
// 04, 07), 100 (02, 05, 08) or 1000 times (03, 06, 09), where v_1 = c.4 and, for g ≥ 2,
// v_g = c.3 (g even) or c.5 (g odd), with the constant leading part c = 1 (SmLs01-03),
// 1000000 (04-06) or 1000000000000 (07-09), each value the double nearest to its decimal
// form, in the published order. The sets of each of the three sizes share their
// certified values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

namespace sheetstat::testing::nist_anova {

struct Certified {
    double dfBetween, ssBetween, msBetween, F;
    double dfWithin, ssWithin, msWithin;
};

struct DataSet {
    const char* name;
    std::vector<std::vector<double>> groups;  // the observations of each treatment, in order
    Certified certified;
};

inline constexpr std::array<double, 48> kAtmWtAg = {
    107.8681568, 107.8681465, 107.8681572, 107.8681785, 107.8681446, 107.8681903, 107.8681526,
    107.8681494, 107.8681616, 107.8681587, 107.8681519, 107.8681486, 107.8681419, 107.8681569,
    107.8681508, 107.8681672, 107.8681385, 107.8681518, 107.8681662, 107.8681424, 107.8681360,
    107.8681333, 107.8681610, 107.8681477, 107.8681079, 107.8681344, 107.8681513, 107.8681197,
    107.8681604, 107.8681385, 107.8681642, 107.8681365, 107.8681151, 107.8681082, 107.8681517,
    107.8681448, 107.8681198, 107.8681482, 107.8681334, 107.8681609, 107.8681101, 107.8681512,
    107.8681469, 107.8681360, 107.8681254, 107.8681261, 107.8681450, 107.8681368};

inline constexpr std::array<double, 25> kSiRstv = {
    196.3052, 196.1240, 196.1890, 196.2569, 196.3403, 196.3042, 196.3825, 196.1669, 196.3257,
    196.0422, 196.1303, 196.2005, 196.2889, 196.0343, 196.1811, 196.2795, 196.1748, 196.1494,
    196.1485, 195.9885, 196.2119, 196.1051, 196.1850, 196.0052, 196.2090};

// Treatments of `size` observations each from consecutive runs of the data.
template <std::size_t N>
std::vector<std::vector<double>> Split(const std::array<double, N>& data, std::size_t size)
{
    std::vector<std::vector<double>> groups;
    for (std::size_t start = 0; start < N; start += size) {
        groups.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(start),
                            data.begin() + static_cast<std::ptrdiff_t>(start + size));
    }
    return groups;
}

// SmLs with leading part `lead` ("1", "1000000" or "1000000000000") and `pairs` pairs per treatment.
inline std::vector<std::vector<double>> SmLs(const std::string& lead, int pairs)
{
    const auto value = [&lead](int tenths) { return std::strtod((lead + "." + std::to_string(tenths)).c_str(), nullptr); };
    std::vector<std::vector<double>> groups;
    for (int g = 1; g <= 9; ++g) {
        const int middle = g == 1 ? 4 : g % 2 == 0 ? 3 : 5;
        std::vector<double> group{value(middle)};
        for (int k = 0; k < pairs; ++k) {
            group.push_back(value(middle - 1));
            group.push_back(value(middle + 1));
        }
        groups.push_back(group);
    }
    return groups;
}

inline std::vector<DataSet> DataSets()
{
    const Certified small{8, 1.68000000000000E+00, 2.10000000000000E-01, 2.10000000000000E+01,
                          180, 1.80000000000000E+00, 1.00000000000000E-02};
    const Certified medium{8, 1.60800000000000E+01, 2.01000000000000E+00, 2.01000000000000E+02,
                           1800, 1.80000000000000E+01, 1.00000000000000E-02};
    const Certified large{8, 1.60080000000000E+02, 2.00100000000000E+01, 2.00100000000000E+03,
                          18000, 1.80000000000000E+02, 1.00000000000000E-02};
    return {
        {"AtmWtAg", Split(kAtmWtAg, 24),
         {1, 3.63834187500000E-09, 3.63834187500000E-09, 1.59467335677930E+01,
          46, 1.04951729166667E-08, 2.28155932971014E-10}},
        {"SiRstv", Split(kSiRstv, 5),
         {4, 5.11462616000000E-02, 1.27865654000000E-02, 1.18046237440255E+00,
          20, 2.16636560000000E-01, 1.08318280000000E-02}},
        {"SmLs01", SmLs("1", 10), small},
        {"SmLs02", SmLs("1", 100), medium},
        {"SmLs03", SmLs("1", 1000), large},
        {"SmLs04", SmLs("1000000", 10), small},
        {"SmLs05", SmLs("1000000", 100), medium},
        {"SmLs06", SmLs("1000000", 1000), large},
        {"SmLs07", SmLs("1000000000000", 10), small},
        {"SmLs08", SmLs("1000000000000", 100), medium},
        {"SmLs09", SmLs("1000000000000", 1000), large},
    };
}

}  // namespace sheetstat::testing::nist_anova
