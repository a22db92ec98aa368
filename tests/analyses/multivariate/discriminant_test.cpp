// nkDiscrim: a hand-worked example; random data against the generalized symmetric
// eigenproblem B·v = λ·W·v of the within- and between-groups sums of squares
// (Eigen's GeneralizedSelfAdjointEigenSolver, long double) with every output derived
// from it independently; the two-group identities; empty cells, compaction and
// PredictMarker rows.
#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include <Eigen/Dense>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

using Columns = std::vector<std::vector<double>>;
using MatrixL = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
using VectorL = Eigen::Matrix<long double, Eigen::Dynamic, 1>;

struct DiscrimRun {
    int32_t status = -1;
    RealHostArray data, groups, predictions, table, raw, standardised, centroids, distances, classification, stats;

    DiscrimRun(const Columns& columns, const std::vector<double>& codes, std::size_t g, bool equalPriors)
        : data(RealHostArray::FromColumns(columns)), groups(RealHostArray::FromValues(codes)),
          predictions(1 + static_cast<std::size_t>(std::count_if(codes.begin(), codes.end(), IsPredictMarker)), 2, 1),
          table(8, Functions(columns.size(), g), 1), raw(columns.size() + 1, Functions(columns.size(), g), 1),
          standardised(columns.size(), Functions(columns.size(), g), 1), centroids(g, Functions(columns.size(), g), 1),
          distances(g, g, 1), classification(g + 1, g, 1), stats(1)
    {
        RealHostArray options = RealHostArray::FromValues({equalPriors ? 1.0 : 0.0, 0});
        status = nkDiscrim(options.ref(), data.ref(), groups.ref(), predictions.ref(), table.ref(), raw.ref(),
                           standardised.ref(), centroids.ref(), distances.ref(), classification.ref(), stats.ref());
    }

    static std::size_t Functions(std::size_t p, std::size_t g) { return std::min(g - 1, p); }
};

bool SameBits(RealHostArray a, RealHostArray b)
{
    if (a.storedCount() != b.storedCount()) return false;
    for (std::size_t k = 0; k < a.storedCount(); ++k) {
        if (std::bit_cast<uint64_t>(a.stored(k)) != std::bit_cast<uint64_t>(b.stored(k))) return false;
    }
    return true;
}

// Everything nkDiscrim reports, computed in long double from the raw sums of squares
// and cross-products: W = Σ_c Σ_{x in c} (x − m_c)(x − m_c)ᵀ, B = Σ_c n_c (m_c − m)(m_c − m)ᵀ.
struct Reference {
    std::size_t n = 0, p, g, q;
    bool equalPriors;
    std::vector<long double> sizes;
    VectorL mean;
    MatrixL groupMeans, W, B, Sinv;  // Sinv: the inverse pooled covariance ((W/(n − g))⁻¹)
    std::vector<long double> eigenvalues;
    MatrixL coefficients;  // p × q raw coefficients
    std::vector<VectorL> cases;
    std::vector<std::size_t> caseGroup;  // 1..g

    Reference(const Columns& columns, const std::vector<double>& codes, std::size_t groups, bool equal)
        : p(columns.size()), g(groups), q(std::min(groups - 1, columns.size())), equalPriors(equal), sizes(groups, 0)
    {
        for (std::size_t r = 0; r < codes.size(); ++r) {
            bool complete = !IsMissing(codes[r]) && !IsPredictMarker(codes[r]);
            VectorL x(p);
            for (std::size_t i = 0; i < p; ++i) {
                complete = complete && !IsMissing(columns[i][r]);
                x(static_cast<Eigen::Index>(i)) = columns[i][r];
            }
            if (!complete) continue;
            cases.push_back(x);
            caseGroup.push_back(static_cast<std::size_t>(codes[r]) + 1);
            sizes[caseGroup.back() - 1] += 1;
        }
        n = cases.size();
        const auto P = static_cast<Eigen::Index>(p), G = static_cast<Eigen::Index>(g);
        mean = VectorL::Zero(P);
        groupMeans = MatrixL::Zero(G, P);
        for (std::size_t k = 0; k < n; ++k) {
            mean += cases[k] / static_cast<long double>(n);
            groupMeans.row(static_cast<Eigen::Index>(caseGroup[k] - 1)) +=
                cases[k].transpose() / sizes[caseGroup[k] - 1];
        }
        W = MatrixL::Zero(P, P);
        B = MatrixL::Zero(P, P);
        for (std::size_t k = 0; k < n; ++k) {
            const VectorL d = cases[k] - groupMeans.row(static_cast<Eigen::Index>(caseGroup[k] - 1)).transpose();
            W += d * d.transpose();
        }
        for (Eigen::Index c = 0; c < G; ++c) {
            const VectorL d = groupMeans.row(c).transpose() - mean;
            B += sizes[static_cast<std::size_t>(c)] * d * d.transpose();
        }
        Sinv = (W / static_cast<long double>(n - g)).inverse();
        // B·v = λ·W·v with vᵀWv = 1; the raw coefficients give the scores pooled
        // within-groups variance 1, and are negated when more than p/2 are negative.
        Eigen::GeneralizedSelfAdjointEigenSolver<MatrixL> solver(B, W);
        coefficients.resize(P, static_cast<Eigen::Index>(q));
        for (std::size_t k = 0; k < q; ++k) {
            const Eigen::Index from = P - 1 - static_cast<Eigen::Index>(k);
            eigenvalues.push_back(solver.eigenvalues()(from));
            VectorL a = solver.eigenvectors().col(from) * std::sqrt(static_cast<long double>(n - g));
            if (static_cast<std::size_t>((a.array() < 0).count()) > p / 2) a = -a;
            coefficients.col(static_cast<Eigen::Index>(k)) = a;
        }
    }

    std::size_t Classify(const VectorL& x) const
    {
        std::size_t best = 0;
        long double bestScore = 0;
        for (std::size_t c = 1; c <= g; ++c) {
            const VectorL d = groupMeans.row(static_cast<Eigen::Index>(c - 1)).transpose() - mean;
            long double score = d.dot(Sinv * (x - mean)) - d.dot(Sinv * d) / 2;
            if (!equalPriors) score += std::log(sizes[c - 1] / static_cast<long double>(n));
            if (best == 0 || score > bestScore) {
                best = c;
                bestScore = score;
            }
        }
        return best;
    }
};

void ExpectNear(double computed, long double expected, double relative, const char* what)
{
    EXPECT_NEAR(computed, static_cast<double>(expected), relative * static_cast<double>(std::max(1.0L, std::fabs(expected)))) << what;
}

void ExpectMatchesReference(DiscrimRun& run, const Reference& ref, double tolerance)
{
    ASSERT_EQ(run.status, kOk);
    const std::size_t p = ref.p, g = ref.g, q = ref.q;
    const long double n = static_cast<long double>(ref.n);
    long double trace = 0, cumulative = 0;
    for (const long double e : ref.eigenvalues) trace += e;
    for (std::size_t k = 1; k <= q; ++k) {
        SCOPED_TRACE(::testing::Message() << "function " << k);
        const long double e = ref.eigenvalues[k - 1];
        long double wilks = 1;
        for (std::size_t j = k; j <= q; ++j) wilks /= 1 + ref.eigenvalues[j - 1];
        cumulative += 100 * e / trace;
        const long double chiSquare = -((n - 1) - static_cast<long double>(p + g) / 2) * std::log(wilks);
        const long double df = static_cast<long double>((p - k + 1) * (g - k));
        ExpectNear(run.table(1, k), e, tolerance, "eigenvalue");
        ExpectNear(run.table(2, k), 100 * e / trace, tolerance, "percent of trace");
        ExpectNear(run.table(3, k), cumulative, tolerance, "cumulative percent");
        ExpectNear(run.table(4, k), std::sqrt(e / (1 + e)), tolerance, "canonical correlation");
        ExpectNear(run.table(5, k), wilks, tolerance, "Wilks' lambda");
        ExpectNear(run.table(6, k), chiSquare, tolerance, "chi-square");
        EXPECT_EQ(run.table(7, k), static_cast<double>(df));
        ExpectNear(run.table(8, k), ReferenceGammaQ(df / 2, chiSquare / 2), kIterationTolerance, "probability");
        long double constant = 0;
        for (std::size_t i = 1; i <= p; ++i) {
            const long double a = ref.coefficients(static_cast<Eigen::Index>(i - 1), static_cast<Eigen::Index>(k - 1));
            constant -= a * ref.mean(static_cast<Eigen::Index>(i - 1));
            ExpectNear(run.raw(i, k), a, tolerance, "raw coefficient");
            const long double pooledSd = std::sqrt(ref.W(static_cast<Eigen::Index>(i - 1), static_cast<Eigen::Index>(i - 1)) /
                                                   (n - static_cast<long double>(g)));
            ExpectNear(run.standardised(i, k), a * pooledSd, tolerance, "standardised coefficient");
        }
        ExpectNear(run.raw(p + 1, k), constant, tolerance, "constant");
        for (std::size_t c = 1; c <= g; ++c) {
            const VectorL d = ref.groupMeans.row(static_cast<Eigen::Index>(c - 1)).transpose() - ref.mean;
            ExpectNear(run.centroids(c, k), d.dot(ref.coefficients.col(static_cast<Eigen::Index>(k - 1))), tolerance,
                       "centroid");
        }
    }
    // Mahalanobis distances below the diagonal, Hotelling's F probabilities above it.
    const long double dfError = n - static_cast<long double>(p + g) + 1;
    for (std::size_t a = 1; a <= g; ++a) {
        EXPECT_MISSING(run.distances(a, a));
        for (std::size_t b = a + 1; b <= g; ++b) {
            const VectorL d = (ref.groupMeans.row(static_cast<Eigen::Index>(a - 1)) -
                               ref.groupMeans.row(static_cast<Eigen::Index>(b - 1))).transpose();
            const long double d2 = d.dot(ref.Sinv * d);
            ExpectNear(run.distances(b, a), std::sqrt(d2), tolerance, "distance");
            const long double na = ref.sizes[a - 1], nb = ref.sizes[b - 1];
            const long double F = na * nb / (na + nb) * d2 * dfError / ((n - static_cast<long double>(g)) * static_cast<long double>(p));
            ExpectNear(run.distances(a, b), ReferenceFUpper(F, static_cast<long double>(p), dfError), kIterationTolerance,
                       "F probability");
        }
    }
    // The classification table: (predicted, actual), group sizes in row g + 1.
    std::vector<std::vector<double>> counts(g + 1, std::vector<double>(g + 1, 0));
    double correct = 0;
    for (std::size_t k = 0; k < ref.n; ++k) {
        const std::size_t predicted = ref.Classify(ref.cases[k]);
        counts[predicted][ref.caseGroup[k]] += 1;
        correct += predicted == ref.caseGroup[k];
    }
    for (std::size_t a = 1; a <= g; ++a) {
        for (std::size_t d = 1; d <= g; ++d) EXPECT_EQ(run.classification(d, a), counts[d][a]) << d << ", " << a;
        EXPECT_EQ(run.classification(g + 1, a), ref.sizes[a - 1]);
    }
    EXPECT_NEAR(run.stats[1], 100 * correct / static_cast<double>(ref.n), 1e-12);
}

// One variable, groups {1, 2, 3} and {4, 5, 6}: within SS 4, between SS 13.5, so
// λ = 3.375; the coefficient 1 gives the scores pooled variance 1 (constant −3.5,
// centroids ∓1.5); the distance is 3 and F = 1.5·9·4/4 = 13.5 on (1, 4).
TEST(Discrim, HandWorkedExample)
{
    DiscrimRun run({{1, 2, 3, 4, 5, 6}}, {0, 0, 0, 1, 1, 1}, 2, false);
    ASSERT_EQ(run.status, kOk);
    EXPECT_NEAR(run.table(1, 1), 3.375, 1e-14);
    EXPECT_NEAR(run.table(2, 1), 100, 1e-12);
    EXPECT_NEAR(run.table(3, 1), 100, 1e-12);
    EXPECT_NEAR(run.table(4, 1), std::sqrt(3.375 / 4.375), 1e-14);
    EXPECT_NEAR(run.table(5, 1), 1 / 4.375, 1e-15);
    EXPECT_NEAR(run.table(6, 1), 3.5 * std::log(4.375), 1e-13);
    EXPECT_EQ(run.table(7, 1), 1);
    EXPECT_NEAR(run.raw(1, 1), 1, 1e-14);
    EXPECT_NEAR(run.raw(2, 1), -3.5, 1e-13);
    EXPECT_NEAR(run.standardised(1, 1), 1, 1e-14);
    EXPECT_NEAR(run.centroids(1, 1), -1.5, 1e-14);
    EXPECT_NEAR(run.centroids(2, 1), 1.5, 1e-14);
    EXPECT_NEAR(run.distances(2, 1), 3, 1e-14);
    EXPECT_NEAR(run.distances(1, 2), static_cast<double>(ReferenceFUpper(13.5L, 1, 4)), 1e-7);
    EXPECT_EQ(run.classification.Column(1), (std::vector<double>{3, 0, 3}));
    EXPECT_EQ(run.classification.Column(2), (std::vector<double>{0, 3, 3}));
    EXPECT_EQ(run.stats[1], 100);
    EXPECT_EQ(run.predictions(1, 1), -1);
}

// Random groups with shifted means and correlated variables; p odd, so the sign rule
// fixes every coefficient column. g > p as well (q = p), and an offset of 1e6 on the
// data (the two-pass means keep the differences of the group means exact enough).
TEST(Discrim, AgainstGeneralizedSymmetricEigenproblem)
{
    std::mt19937 generator(6202);
    std::normal_distribution<double> normal;
    struct Case {
        std::size_t p, g;
        double offset;
        bool equalPriors;
    };
    for (const Case c : {Case{3, 3, 0, false}, Case{5, 4, 0, true}, Case{3, 6, 0, false}, Case{5, 3, 1e6, false}}) {
        SCOPED_TRACE(::testing::Message() << "p = " << c.p << ", g = " << c.g << ", offset " << c.offset);
        Columns columns(c.p);
        std::vector<double> codes;
        for (std::size_t group = 0; group < c.g; ++group) {
            const std::size_t size = 8 + 5 * group;
            for (std::size_t k = 0; k < size; ++k) {
                double common = normal(generator);
                for (std::size_t i = 0; i < c.p; ++i) {
                    const double shift = 0.8 * std::sin(static_cast<double>(group * (i + 2)));
                    columns[i].push_back(c.offset + shift + 0.6 * common + normal(generator));
                }
                codes.push_back(static_cast<double>(group));
            }
        }
        DiscrimRun run(columns, codes, c.g, c.equalPriors);
        ExpectMatchesReference(run, Reference(columns, codes, c.g, c.equalPriors), c.offset == 0 ? 1e-9 : 1e-6);
    }
}

// Two groups: one function, Wilks' lambda exactly 1/(1 + λ), df = p, and the eigenvalue
// and the Mahalanobis distance tied by λ = (n₁n₂/n)·D²/(n − 2), so that the distance's
// F probability is the exact test of Wilks' lambda, F = λ(n − p − 1)/p on (p, n − p − 1).
TEST(Discrim, TwoGroupIdentities)
{
    std::mt19937 generator(2);
    std::normal_distribution<double> normal;
    const std::size_t p = 4, n1 = 11, n2 = 17;
    Columns columns(p);
    std::vector<double> codes;
    for (std::size_t k = 0; k < n1 + n2; ++k) {
        const double group = k < n1 ? 0 : 1;
        for (std::size_t i = 0; i < p; ++i) columns[i].push_back(normal(generator) + group * (0.3 + 0.2 * static_cast<double>(i)));
        codes.push_back(group);
    }
    DiscrimRun run(columns, codes, 2, false);
    ASSERT_EQ(run.status, kOk);
    const double lambda = run.table(1, 1), n = n1 + n2;
    EXPECT_EQ(run.table(5, 1), 1 / (1 + lambda));
    EXPECT_EQ(run.table(7, 1), static_cast<double>(p));
    const double d2 = run.distances(2, 1) * run.distances(2, 1);
    EXPECT_NEAR(lambda, n1 * n2 / n * d2 / (n - 2), 1e-12 * lambda);
    const long double F = lambda * (n - p - 1) / p;
    EXPECT_NEAR(run.distances(1, 2), static_cast<double>(ReferenceFUpper(F, p, n - p - 1)), 1e-6);
    // p even: the sign rule leaves at most p/2 negative coefficients.
    int negative = 0;
    for (std::size_t i = 1; i <= p; ++i) negative += run.raw(i, 1) < 0;
    EXPECT_LE(negative, 2);
}

// Rows with an empty cell or an empty group take no part (the results equal, bit for
// bit, those of the complete rows alone); the complete rows are compacted to the top
// in input order; marked rows are listed in input order with their classification,
// MissingValue when a value is empty, and the list ends with −1.
TEST(Discrim, EmptyCellsCompactionAndPredictions)
{
    std::mt19937 generator(17);
    std::normal_distribution<double> normal;
    Columns complete(3);
    std::vector<double> completeCodes;
    for (std::size_t k = 0; k < 30; ++k) {
        const double group = static_cast<double>(k % 3);
        for (std::size_t i = 0; i < 3; ++i) complete[i].push_back(normal(generator) + group * static_cast<double>(i));
        completeCodes.push_back(group);
    }
    // Interleave rows to be skipped and rows to be predicted.
    Columns mixed(3);
    std::vector<double> mixedCodes, markedRows;
    std::vector<std::vector<double>> markedValues;
    for (std::size_t k = 0; k < 30; ++k) {
        for (std::size_t i = 0; i < 3; ++i) mixed[i].push_back(complete[i][k]);
        mixedCodes.push_back(completeCodes[k]);
        if (k % 7 == 3) {
            const std::vector<double> row = {normal(generator), k % 2 ? kMissing : 2.5, normal(generator)};
            for (std::size_t i = 0; i < 3; ++i) mixed[i].push_back(row[i]);
            mixedCodes.push_back(kPredictMarker);
            markedRows.push_back(static_cast<double>(mixedCodes.size()));
            markedValues.push_back(row);
        }
        if (k % 5 == 1) {
            for (std::size_t i = 0; i < 3; ++i) mixed[i].push_back(i == 1 ? kMissing : 9.0);
            mixedCodes.push_back(1);
            for (std::size_t i = 0; i < 3; ++i) mixed[i].push_back(7.0);
            mixedCodes.push_back(kMissing);
        }
    }
    DiscrimRun whole(complete, completeCodes, 3, false), run(mixed, mixedCodes, 3, false);
    ASSERT_EQ(whole.status, kOk);
    ASSERT_EQ(run.status, kOk);
    for (auto [a, b] : {std::pair{&whole.table, &run.table}, {&whole.raw, &run.raw},
                        {&whole.standardised, &run.standardised}, {&whole.centroids, &run.centroids},
                        {&whole.distances, &run.distances}, {&whole.classification, &run.classification},
                        {&whole.stats, &run.stats}}) {
        EXPECT_TRUE(SameBits(*a, *b));
    }
    for (std::size_t i = 1; i <= 3; ++i) {
        for (std::size_t k = 1; k <= 30; ++k) EXPECT_EQ(run.data(k, i), complete[i - 1][k - 1]);
    }
    for (std::size_t k = 1; k <= 30; ++k) EXPECT_EQ(run.groups[k], completeCodes[k - 1]);

    const Reference ref(complete, completeCodes, 3, false);
    ASSERT_EQ(run.predictions.rows(), markedRows.size() + 1);
    for (std::size_t j = 1; j <= markedRows.size(); ++j) {
        EXPECT_EQ(run.predictions(j, 1), markedRows[j - 1]);
        const std::vector<double>& row = markedValues[j - 1];
        if (IsMissing(row[1])) {
            EXPECT_MISSING(run.predictions(j, 2));
            continue;
        }
        VectorL x(3);
        for (Eigen::Index i = 0; i < 3; ++i) x(i) = row[static_cast<std::size_t>(i)];
        EXPECT_EQ(run.predictions(j, 2), static_cast<double>(ref.Classify(x))) << "marked row " << markedRows[j - 1];
    }
    EXPECT_EQ(run.predictions(markedRows.size() + 1, 1), -1);
    EXPECT_EQ(run.predictions(markedRows.size() + 1, 2), 0);  // not written
}

}  // namespace
}  // namespace sheetstat::testing
