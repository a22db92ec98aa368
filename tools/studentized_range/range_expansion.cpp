// Expansion of the studentized-range distribution in powers of 1/ν.
//
// The range of k standard normal variables. With φ, Φ the standard normal density and
// distribution function, the range W of k independent N(0, 1) variables has
//     F_k(w) = P(W ≤ w) = k ∫ φ(z) G(z, w)^(k−1) dz,   G(z, w) = Φ(z + w) − Φ(z),
// (the smallest observation is z, the other k − 1 lie in [z, z + w]; Hartley 1942).
// Its derivatives in w are taken under the integral sign. The derivatives of G in w are
//     g1 = φ(x),  g2 = −x φ(x),  g3 = (x² − 1) φ(x),  g4 = (3x − x³) φ(x),  x = z + w,
// and those of H = G^m, m = k − 1, follow from Faà di Bruno's formula, with
// (m)_j = m(m − 1)...(m − j + 1) the falling factorial:
//     H'    = m G^(m−1) g1
//     H''   = (m)_2 G^(m−2) g1² + m G^(m−1) g2
//     H'''  = (m)_3 G^(m−3) g1³ + 3 (m)_2 G^(m−2) g1 g2 + m G^(m−1) g3
//     H'''' = (m)_4 G^(m−4) g1⁴ + 6 (m)_3 G^(m−3) g1² g2
//             + (m)_2 G^(m−2) (3 g2² + 4 g1 g3) + m G^(m−1) g4,
// so F_k^(r)(w) = k ∫ φ(z) H^(r)(z, w) dz (terms with j > m vanish).
//
// The studentized range. Q = W/s with s = √(χ²_ν/ν) independent of W, so
//     P(Q ≤ q) = E[F_k(q s)] = E[F_k(q + q (s − 1))]
//              = Σ_r F_k^(r)(q) q^r E[(s − 1)^r] / r!.
// The central moments of s to order 1/ν² follow from E[s] = √(2/ν) Γ((ν+1)/2)/Γ(ν/2)
// = 1 − 1/(4ν) + 1/(32ν²) + O(ν⁻³), E[s²] = 1, E[s³] = (1 + 1/ν) E[s] and the normal
// limit of √(2ν)(s − 1):
//     E[s − 1]     = −1/(4ν) + 1/(32ν²)
//     E[(s − 1)²]  =  1/(2ν) − 1/(16ν²)
//     E[(s − 1)³]  =          −1/(8ν²)
//     E[(s − 1)⁴]  =           3/(4ν²)
// and E[(s − 1)^r] = O(ν⁻³) for r ≥ 5. Collecting powers of 1/ν:
//     c1_k(q) = −q F'/4 + q² F''/4
//     c2_k(q) =  q F'/32 − q² F''/32 − q³ F'''/48 + q⁴ F''''/32,
// the derivatives taken at w = q. This is Hartley's studentization expansion
// (Biometrika 33, 1944), whose terms Pearson and Hartley tabulated for the range
// (Biometrika 33, 1943).
//
// Quadrature. All integrands are smooth (entire) and carry the factor φ(z), so the
// integral over z is truncated to [−11, 11] (φ(11) < 1e−26) and taken by composite
// 16-point Gauss-Legendre on panels of width 0.5, in long double; G is formed from
// the smaller of the two tails so that it keeps its relative accuracy.
#include "range_expansion.hpp"

#include <cmath>
#include <cstddef>
#include <sstream>

namespace sheetstat::tools {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kInvSqrt2Pi = 0.398942280401432677939946059934381868L;
constexpr long double kInvSqrt2 = 0.707106781186547524400844362104849039L;

constexpr int kRuleNodes = 16;
constexpr long double kLowerZ = -11.0L;
constexpr long double kUpperZ = 11.0L;
constexpr int kPanels = 44;

struct GaussLegendreRule {
    std::array<long double, kRuleNodes> nodes{};    // on [−1, 1]
    std::array<long double, kRuleNodes> weights{};
};

// Nodes and weights of the n-point Gauss-Legendre rule by Newton's method on P_n.
GaussLegendreRule MakeGaussLegendreRule()
{
    GaussLegendreRule rule;
    const int n = kRuleNodes;
    for (int i = 0; i < n; ++i) {
        long double x = std::cos(kPi * (static_cast<long double>(i) + 0.75L) /
                                 (static_cast<long double>(n) + 0.5L));
        long double derivative = 0.0L;
        for (int iteration = 0; iteration < 100; ++iteration) {
            long double p0 = 1.0L;
            long double p1 = x;
            for (int j = 2; j <= n; ++j) {
                const long double p2 = (static_cast<long double>(2 * j - 1) * x * p1 -
                                        static_cast<long double>(j - 1) * p0) /
                                       static_cast<long double>(j);
                p0 = p1;
                p1 = p2;
            }
            derivative = static_cast<long double>(n) * (x * p1 - p0) / (x * x - 1.0L);
            const long double change = p1 / derivative;
            x -= change;
            if (std::fabs(change) < 1e-19L) {
                break;
            }
        }
        const auto slot = static_cast<std::size_t>(i);
        rule.nodes[slot] = x;
        rule.weights[slot] = 2.0L / ((1.0L - x * x) * derivative * derivative);
    }
    return rule;
}

long double NormalDensity(long double x)
{
    return kInvSqrt2Pi * std::exp(-0.5L * x * x);
}

// Upper tail 1 − Φ(x).
long double UpperTail(long double x)
{
    return 0.5L * std::erfc(x * kInvSqrt2);
}

// G(z, w) = Φ(z + w) − Φ(z), from the tails that are small where they are used.
long double NormalInterval(long double z, long double w)
{
    if (z >= 0.0L) {
        return UpperTail(z) - UpperTail(z + w);
    }
    if (z + w <= 0.0L) {
        return UpperTail(-z - w) - UpperTail(-z);
    }
    return 1.0L - UpperTail(z + w) - UpperTail(-z);
}

// m(m − 1)...(m − j + 1).
long double FallingFactorial(int m, int j)
{
    long double product = 1.0L;
    for (int i = 0; i < j; ++i) {
        product *= static_cast<long double>(m - i);
    }
    return product;
}

// G^e for e ≥ 0 (a term with e < 0 has a zero falling factorial and is never formed).
long double Power(long double g, int e)
{
    long double product = 1.0L;
    for (int i = 0; i < e; ++i) {
        product *= g;
    }
    return product;
}

// F_k and its first four derivatives at w.
struct RangeDerivatives {
    std::array<long double, 5> value{};  // value[r] = F_k^(r)(w)
};

RangeDerivatives RangeDistributionDerivatives(const GaussLegendreRule& rule, int k, long double w)
{
    const int m = k - 1;
    // Coefficients of the terms of H', ..., H'''' (zero where j > m).
    const long double m1 = FallingFactorial(m, 1);
    const long double m2 = FallingFactorial(m, 2);
    const long double m3 = FallingFactorial(m, 3);
    const long double m4 = FallingFactorial(m, 4);

    RangeDerivatives sums;
    const long double panelWidth = (kUpperZ - kLowerZ) / static_cast<long double>(kPanels);
    for (int panel = 0; panel < kPanels; ++panel) {
        const long double mid = kLowerZ + (static_cast<long double>(panel) + 0.5L) * panelWidth;
        for (std::size_t node = 0; node < rule.nodes.size(); ++node) {
            const long double z = mid + 0.5L * panelWidth * rule.nodes[node];
            const long double weight = 0.5L * panelWidth * rule.weights[node] * NormalDensity(z);
            const long double x = z + w;
            const long double g = NormalInterval(z, w);
            const long double density = NormalDensity(x);
            const long double g1 = density;
            const long double g2 = -x * density;
            const long double g3 = (x * x - 1.0L) * density;
            const long double g4 = (3.0L * x - x * x * x) * density;
            // G^(m − j) for j = 0..4, zero for a negative exponent.
            std::array<long double, 5> gPower{};
            for (int j = 0; j <= 4 && j <= m; ++j) {
                gPower[static_cast<std::size_t>(j)] = Power(g, m - j);
            }
            const long double h0 = gPower[0];
            const long double h1 = m1 * gPower[1] * g1;
            const long double h2 = m2 * gPower[2] * g1 * g1 + m1 * gPower[1] * g2;
            const long double h3 = m3 * gPower[3] * g1 * g1 * g1 + 3.0L * m2 * gPower[2] * g1 * g2 +
                                   m1 * gPower[1] * g3;
            const long double h4 = m4 * gPower[4] * g1 * g1 * g1 * g1 +
                                   6.0L * m3 * gPower[3] * g1 * g1 * g2 +
                                   m2 * gPower[2] * (3.0L * g2 * g2 + 4.0L * g1 * g3) +
                                   m1 * gPower[1] * g4;
            sums.value[0] += weight * h0;
            sums.value[1] += weight * h1;
            sums.value[2] += weight * h2;
            sums.value[3] += weight * h3;
            sums.value[4] += weight * h4;
        }
    }
    for (long double& v : sums.value) {
        v *= static_cast<long double>(k);
    }
    return sums;
}

RangeExpansionTerms ExpansionFromDerivatives(const RangeDerivatives& d, long double q)
{
    const long double q2 = q * q;
    const long double q3 = q2 * q;
    const long double q4 = q3 * q;
    RangeExpansionTerms terms{};
    terms.leading = d.value[0];
    terms.firstCorrection = -q * d.value[1] / 4.0L + q2 * d.value[2] / 4.0L;
    terms.secondCorrection = q * d.value[1] / 32.0L - q2 * d.value[2] / 32.0L -
                             q3 * d.value[3] / 48.0L + q4 * d.value[4] / 32.0L;
    return terms;
}

RangeExpansionTerms ExpansionAt(const GaussLegendreRule& rule, int k, long double q)
{
    if (q <= 0.0L) {
        return RangeExpansionTerms{0.0L, 0.0L, 0.0L};  // W > 0 almost surely
    }
    return ExpansionFromDerivatives(RangeDistributionDerivatives(rule, k, q), q);
}

int32_t RoundScaled(long double value, long double scale)
{
    return static_cast<int32_t>(std::llround(value * scale));
}

std::size_t RowStart(int k)
{
    return static_cast<std::size_t>((k - kRangeTableFirstK) * kRangeTableColumns);
}

void AppendTable(std::ostringstream& out, const char* name, const char* comment, const RangeTable& table)
{
    out << "// " << comment << "\n";
    out << "const int32_t " << name << "[kRangeTableEntries] = {\n";
    for (int k = kRangeTableFirstK; k <= kRangeTableLastK; ++k) {
        out << "    // k = " << k << "\n";
        const std::size_t start = RowStart(k);
        for (int c = 0; c < kRangeTableColumns; ++c) {
            const bool lineStart = c % 9 == 0;
            out << (lineStart ? "    " : " ") << table[start + static_cast<std::size_t>(c)] << ",";
            if (c % 9 == 8) {
                out << "\n";
            }
        }
    }
    out << "};\n";
}

}  // namespace

// The rows k = 3, 4 and 20 as long published and always used by this library.
const std::array<PublishedRow, 3> kPublishedRows = {{
    {3,
     {0, 171, 666, 1436, 2407, 3495, 4614, 5690, 6665, 7505, 8195, 8737, 9145, 9439,
      9644, 9782, 9870, 9925, 9958, 9977, 9988, 9994, 9997, 9999, 9999, 9999, 9999},
     {0, 0, 0, -2, -6, -12, -21, -31, -40, -48, -53, -54, -51, -46,
      -39, -31, -24, -18, -12, -8, -5, -3, -2, -1, 0, 0, 0},
     {0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 4, 3, 1, -2,
      -4, -7, -9, -10, -10, -9, -7, -5, -4, -3, -2, 0, 0}},
    {4,
     {0, 20, 152, 483, 1057, 1868, 2865, 3970, 5096, 6163, 7110, 7905, 8537, 9016,
      9361, 9600, 9758, 9859, 9920, 9956, 9977, 9988, 9994, 9997, 9999, 9999, 9999},
     {0, 0, 1, 2, 3, 0, -6, -17, -32, -47, -61, -69, -72, -70,
      -69, -52, -42, -31, -22, -15, -10, -6, -4, -2, -1, 0, 0},
     {0, 0, 0, 0, 0, 0, 0, 1, 4, 6, 9, 10, 8, 5,
      -1, -6, -11, -14, -16, -15, -13, -10, -8, -6, -4, -2, 0}},
    {20,
     {0, 0, 0, 0, 0, 0, 0, 4, 23, 99, 309, 761, 1538, 2638,
      3964, 5352, 6640, 7715, 8534, 9110, 9486, 9718, 9852, 9925, 9964, 9983, 9992},
     {0, 0, 0, 0, 0, 0, 0, 2, 8, 24, 53, 83, 91, 57,
      -18, -110, -188, -229, -230, -203, -159, -116, -77, -48, -29, -16, -8},
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
}};

RangeExpansionTerms RangeExpansionAt(int k, long double q)
{
    return ExpansionAt(MakeGaussLegendreRule(), k, q);
}

ComputedRow ComputeRangeRow(int k)
{
    const GaussLegendreRule rule = MakeGaussLegendreRule();
    ComputedRow row{};
    for (int c = 0; c < kRangeTableColumns; ++c) {
        const auto slot = static_cast<std::size_t>(c);
        const RangeExpansionTerms terms = ExpansionAt(rule, k, static_cast<long double>(c) * kRangeTableStep);
        const int32_t leading = RoundScaled(terms.leading, 10000.0L);
        row.leading[slot] = leading > kLeadingCap ? kLeadingCap : leading;
        row.firstCorrection[slot] = RoundScaled(terms.firstCorrection, 100.0L);
        row.secondCorrection[slot] = RoundScaled(terms.secondCorrection, 10.0L);
    }
    return row;
}

RangeTables GenerateRangeTables()
{
    RangeTables tables{};
    for (int k = kRangeTableFirstK; k <= kRangeTableLastK; ++k) {
        const std::size_t start = RowStart(k);
        auto copyRow = [&](const std::array<int32_t, kRangeTableColumns>& leading,
                           const std::array<int32_t, kRangeTableColumns>& first,
                           const std::array<int32_t, kRangeTableColumns>& second) {
            for (std::size_t c = 0; c < leading.size(); ++c) {
                tables.leading[start + c] = leading[c];
                tables.firstCorrection[start + c] = first[c];
                tables.secondCorrection[start + c] = second[c];
            }
        };
        const PublishedRow* published = nullptr;
        for (const PublishedRow& row : kPublishedRows) {
            if (row.k == k) {
                published = &row;
            }
        }
        if (published != nullptr) {
            copyRow(published->leading, published->firstCorrection, published->secondCorrection);
        } else {
            const ComputedRow row = ComputeRangeRow(k);
            copyRow(row.leading, row.firstCorrection, row.secondCorrection);
        }
    }
    return tables;
}

std::string FormatRangeTablesSource(const RangeTables& tables)
{
    std::ostringstream out;
    out << "// GENERATED FILE, do not edit. Written by tools/studentized_range/generate_range_tables\n"
           "// (sources in tools/studentized_range/, which also document the derivation).\n"
           "// To regenerate:\n"
           "//     cmake --build <build> --target generate_range_tables\n"
           "//     <build>/tools/studentized_range/generate_range_tables > src/numeric/studentized_range_tables.cpp\n"
           "//\n"
           "// Studentized range of k = 3..20 means at q = 0, 0.25, ..., 6.50: 10000·P(W ≤ q) for\n"
           "// the range W of k standard normal variables, and the coefficients of 1/ν and 1/ν²\n"
           "// in the expansion of P(W/s ≤ q), s² ~ χ²_ν/ν, times 100 and times 10, rounded.\n"
           "// Rows k = 3, 4 and 20 are the long-published values, kept as they stand; rows\n"
           "// k = 5..19 are computed, the leading ones capped at 9999 as the published ones are.\n"
           "#include \"numeric/studentized_range_tables.hpp\"\n"
           "\n"
           "namespace sheetstat {\n\n";
    AppendTable(out, "kRangeLeading", "10000·P(W ≤ q).", tables.leading);
    out << "\n";
    AppendTable(out, "kRangeFirstCorrection", "100 × coefficient of 1/ν.", tables.firstCorrection);
    out << "\n";
    AppendTable(out, "kRangeSecondCorrection", "10 × coefficient of 1/ν².", tables.secondCorrection);
    out << "\n}  // namespace sheetstat\n";
    return out.str();
}

}  // namespace sheetstat::tools
