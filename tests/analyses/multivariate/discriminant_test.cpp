// nkDiscrim: a hand-worked example; random data against the generalized symmetric
// eigenproblem B·v = λ·W·v of the within- and between-groups sums of squares
// (Eigen's GeneralizedSelfAdjointEigenSolver), every output derived from it
// independently; the two-group identities; empty cells, compaction and PredictMarker rows.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <Eigen/Dense>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

using Columns = std::vector<std::vector<double>>;
using Eigen::MatrixXd;
using Eigen::VectorXd;

MatrixXd Cells(RealHostArray& a)
{
    MatrixXd m(a.rows(), a.cols());
    for (std::size_t i = 0; i < a.rows(); ++i)
        for (std::size_t j = 0; j < a.cols(); ++j) m(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = a(i + 1, j + 1);
    return m;
}

// One call with result arrays of exactly the documented shapes; the results as
// 0-based matrices.
struct DiscrimRun {
    int32_t status = -1;
    RealHostArray data, groups;
    MatrixXd predictions, table, raw, standardised, centroids, distances, classification;
    double percentCorrect = 0;

    DiscrimRun(const Columns& columns, const std::vector<double>& codes, std::size_t g, bool equalPriors = false)
        : data(RealHostArray::FromColumns(columns)), groups(RealHostArray::FromValues(codes))
    {
        const std::size_t p = columns.size(), q = std::min(g - 1, p);
        const auto marked = static_cast<std::size_t>(std::count_if(codes.begin(), codes.end(), IsPredictMarker));
        RealHostArray options = RealHostArray::FromValues({equalPriors ? 1.0 : 0.0, 0}), list(marked + 1, 2, 1),
                      functions(8, q, 1), rawArray(p + 1, q, 1), standardisedArray(p, q, 1), centroidArray(g, q, 1),
                      distanceArray(g, g, 1), classArray(g + 1, g, 1), stats(1);
        status = nkDiscrim(options.ref(), data.ref(), groups.ref(), list.ref(), functions.ref(), rawArray.ref(),
                           standardisedArray.ref(), centroidArray.ref(), distanceArray.ref(), classArray.ref(),
                           stats.ref());
        predictions = Cells(list), table = Cells(functions), raw = Cells(rawArray);
        standardised = Cells(standardisedArray), centroids = Cells(centroidArray), distances = Cells(distanceArray);
        classification = Cells(classArray), percentCorrect = stats[1];
    }
};

// The analysis from the raw sums of squares and cross-products of the complete cases:
// W = Σ_c Σ_{x in c} (x − m_c)(x − m_c)ᵀ, B = Σ_c n_c (m_c − m)(m_c − m)ᵀ.
struct Reference {
    Eigen::Index n = 0, p, g, q;
    bool equalPriors;
    VectorXd sizes, mean, eigenvalues;
    MatrixXd cases, groupMeans, W, B, Sinv, coefficients;  // cases and group means in columns
    std::vector<Eigen::Index> caseGroup;                    // 0-based

    Reference(const Columns& columns, const std::vector<double>& codes, Eigen::Index groups, bool equal = false)
        : p(static_cast<Eigen::Index>(columns.size())), g(groups), q(std::min(groups - 1, p)), equalPriors(equal),
          sizes(VectorXd::Zero(groups)), cases(p, static_cast<Eigen::Index>(codes.size()))
    {
        for (std::size_t r = 0; r < codes.size(); ++r) {
            bool complete = !IsMissing(codes[r]) && !IsPredictMarker(codes[r]);
            for (Eigen::Index i = 0; i < p; ++i) {
                cases(i, n) = columns[static_cast<std::size_t>(i)][r];
                complete = complete && !IsMissing(cases(i, n));
            }
            if (!complete) continue;
            caseGroup.push_back(static_cast<Eigen::Index>(codes[r]));
            sizes(caseGroup.back()) += 1;
            ++n;
        }
        cases.conservativeResize(p, n);
        mean = cases.rowwise().mean();
        groupMeans = MatrixXd::Zero(p, g);
        for (Eigen::Index k = 0; k < n; ++k) groupMeans.col(caseGroup[static_cast<std::size_t>(k)]) += cases.col(k);
        groupMeans = groupMeans * sizes.cwiseInverse().asDiagonal();
        W = MatrixXd::Zero(p, p);
        for (Eigen::Index k = 0; k < n; ++k) {
            const VectorXd d = cases.col(k) - groupMeans.col(caseGroup[static_cast<std::size_t>(k)]);
            W += d * d.transpose();
        }
        const MatrixXd deviations = groupMeans.colwise() - mean;
        B = deviations * sizes.asDiagonal() * deviations.transpose();
        Sinv = (W / static_cast<double>(n - g)).inverse();
        // B·v = λ·W·v with vᵀWv = 1: scaled by √(n − g), the scores have pooled
        // within-groups variance 1; a column with more than p/2 negatives is negated.
        Eigen::GeneralizedSelfAdjointEigenSolver<MatrixXd> solver(B, W);
        eigenvalues = solver.eigenvalues().reverse().head(q);
        coefficients = solver.eigenvectors().rowwise().reverse().leftCols(q) * std::sqrt(static_cast<double>(n - g));
        for (Eigen::Index k = 0; k < q; ++k) {
            if ((coefficients.col(k).array() < 0).count() > p / 2) coefficients.col(k) *= -1;
        }
    }

    // The group (0-based) of the largest linear classification score, the first of equal ones.
    Eigen::Index Classify(const VectorXd& x) const
    {
        Eigen::Index best = 0;
        double bestScore = 0;
        for (Eigen::Index c = 0; c < g; ++c) {
            const VectorXd d = groupMeans.col(c) - mean;
            double score = d.dot(Sinv * (x - mean)) - d.dot(Sinv * d) / 2;
            if (!equalPriors) score += std::log(sizes(c) / static_cast<double>(n));
            if (c == 0 || score > bestScore) {
                best = c;
                bestScore = score;
            }
        }
        return best;
    }
};

void ExpectNear(const MatrixXd& computed, const MatrixXd& expected, double tolerance, const char* what)
{
    ASSERT_EQ(computed.rows(), expected.rows()) << what;
    ASSERT_EQ(computed.cols(), expected.cols()) << what;
    for (Eigen::Index i = 0; i < computed.rows(); ++i)
        for (Eigen::Index j = 0; j < computed.cols(); ++j)
            EXPECT_NEAR(computed(i, j), expected(i, j), tolerance * std::max(1.0, std::fabs(expected(i, j))))
                << what << " (" << i + 1 << ", " << j + 1 << ")";
}

// The probabilities are the tails of the statistics as reported (which must agree with
// the reference to `tolerance`); with exact statistics (data without an offset), also
// the tails of the reference's.
void ExpectMatchesReference(const DiscrimRun& run, const Reference& ref, double tolerance, bool exactStatistics)
{
    ASSERT_EQ(run.status, kOk);
    const Eigen::Index p = ref.p, g = ref.g, q = ref.q;
    const double n = static_cast<double>(ref.n), trace = ref.eigenvalues.sum();
    MatrixXd table(8, q);
    double cumulative = 0;
    for (Eigen::Index k = 0; k < q; ++k) {
        const double e = ref.eigenvalues(k);
        const double wilks = 1 / (VectorXd::Ones(q - k) + ref.eigenvalues.tail(q - k)).prod();
        const double chiSquare = -((n - 1) - static_cast<double>(p + g) / 2) * std::log(wilks);
        const double df = static_cast<double>((p - k) * (g - k - 1));
        cumulative += 100 * e / trace;
        table.col(k) << e, 100 * e / trace, cumulative, std::sqrt(e / (1 + e)), wilks, chiSquare, df,
            static_cast<double>(ReferenceGammaQ(df / 2, chiSquare / 2));
    }
    ExpectNear(run.table.topRows(7), table.topRows(7), tolerance, "function table");
    MatrixXd tails(1, q);
    for (Eigen::Index k = 0; k < q; ++k) tails(0, k) = static_cast<double>(ReferenceGammaQ(table(6, k) / 2, run.table(5, k) / 2));
    ExpectNear(run.table.row(7), tails, kIterationTolerance, "chi-square probability of the reported statistic");
    if (exactStatistics) ExpectNear(run.table.row(7), table.row(7), kIterationTolerance, "chi-square probability");
    ExpectNear(run.raw.topRows(p), ref.coefficients, tolerance, "raw coefficients");
    ExpectNear(run.raw.row(p), -ref.mean.transpose() * ref.coefficients, tolerance, "constants");
    const VectorXd pooledSd = (ref.W.diagonal() / (n - static_cast<double>(g))).cwiseSqrt();
    ExpectNear(run.standardised, pooledSd.asDiagonal() * ref.coefficients, tolerance, "standardised coefficients");
    ExpectNear(run.centroids, (ref.groupMeans.colwise() - ref.mean).transpose() * ref.coefficients, tolerance,
               "centroids");
    // Mahalanobis distances below the diagonal, Hotelling's F probabilities above it.
    const double dfError = n - static_cast<double>(p + g) + 1;
    for (Eigen::Index a = 0; a < g; ++a) {
        EXPECT_MISSING(run.distances(a, a));
        for (Eigen::Index b = a + 1; b < g; ++b) {
            const VectorXd d = ref.groupMeans.col(a) - ref.groupMeans.col(b);
            const double d2 = d.dot(ref.Sinv * d), na = ref.sizes(a), nb = ref.sizes(b);
            const double scale = na * nb / (na + nb) * dfError / ((n - static_cast<double>(g)) * static_cast<double>(p));
            const double reported = run.distances(b, a) * run.distances(b, a);
            EXPECT_NEAR(run.distances(b, a), std::sqrt(d2), tolerance * std::sqrt(d2));
            EXPECT_NEAR(run.distances(a, b), static_cast<double>(ReferenceFUpper(scale * reported, p, dfError)),
                        kIterationTolerance);
            if (exactStatistics) {
                EXPECT_NEAR(run.distances(a, b), static_cast<double>(ReferenceFUpper(scale * d2, p, dfError)),
                            kIterationTolerance);
            }
        }
    }
    // (predicted, actual), the group sizes in row g + 1.
    MatrixXd counts = MatrixXd::Zero(g + 1, g);
    counts.row(g) = ref.sizes.transpose();
    for (Eigen::Index k = 0; k < ref.n; ++k) counts(ref.Classify(ref.cases.col(k)), ref.caseGroup[static_cast<std::size_t>(k)]) += 1;
    EXPECT_EQ(run.classification, counts);
    EXPECT_NEAR(run.percentCorrect, 100 * counts.topRows(g).diagonal().sum() / n, 1e-12);
}

// One variable, groups {1, 2, 3} and {4, 5, 6}: within SS 4, between SS 13.5, so
// λ = 3.375; the coefficient 1 gives the scores pooled variance 1 (constant −3.5,
// centroids ∓1.5); the distance is 3, and F = 1.5·9·4/4 = 13.5 on (1, 4).
TEST(Discrim, HandWorkedExample)
{
    const DiscrimRun run({{1, 2, 3, 4, 5, 6}}, {0, 0, 0, 1, 1, 1}, 2);
    ASSERT_EQ(run.status, kOk);
    VectorXd functionColumn(7);
    functionColumn << 3.375, 100, 100, std::sqrt(3.375 / 4.375), 1 / 4.375, 3.5 * std::log(4.375), 1;
    ExpectNear(run.table.col(0).head(7), functionColumn, 1e-14, "function table");
    ExpectNear(run.raw, (MatrixXd(2, 1) << 1, -3.5).finished(), 1e-14, "raw coefficients");
    ExpectNear(run.standardised, MatrixXd::Ones(1, 1), 1e-14, "standardised coefficient");
    ExpectNear(run.centroids, (MatrixXd(2, 1) << -1.5, 1.5).finished(), 1e-14, "centroids");
    EXPECT_NEAR(run.distances(1, 0), 3, 1e-14);
    EXPECT_NEAR(run.distances(0, 1), static_cast<double>(ReferenceFUpper(13.5L, 1, 4)), 1e-7);
    EXPECT_EQ(run.classification, (MatrixXd(3, 2) << 3, 0, 0, 3, 3, 3).finished());
    EXPECT_EQ(run.percentCorrect, 100);
    EXPECT_EQ(run.predictions(0, 0), -1);

    // Equal group means: λ = 0, so the percentages of the trace are MissingValue, and
    // the distance 0 has no F probability.
    const DiscrimRun equal({{1, 3, 1, 3}}, {0, 0, 1, 1}, 2);
    ASSERT_EQ(equal.status, kOk);
    EXPECT_EQ(equal.table(0, 0), 0);
    EXPECT_MISSING(equal.table(1, 0));
    EXPECT_MISSING(equal.table(2, 0));
    ExpectNear(equal.table.col(0).segment(3, 5), (VectorXd(5) << 0, 1, 0, 1, 1).finished(), 1e-15, "function table");
    EXPECT_EQ(equal.distances(1, 0), 0);
    EXPECT_MISSING(equal.distances(0, 1));
}

// Random groups with shifted means and correlated variables; p odd, so the sign rule
// fixes every coefficient column. Also g > p (q = p), equal priors, and an offset of
// 1e6 on the data.
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
            for (std::size_t k = 0; k < 8 + 5 * group; ++k) {
                const double common = normal(generator);
                for (std::size_t i = 0; i < c.p; ++i) {
                    columns[i].push_back(c.offset + 0.8 * std::sin(static_cast<double>(group * (i + 2))) +
                                         0.6 * common + normal(generator));
                }
                codes.push_back(static_cast<double>(group));
            }
        }
        const DiscrimRun run(columns, codes, c.g, c.equalPriors);
        ExpectMatchesReference(run, Reference(columns, codes, static_cast<Eigen::Index>(c.g), c.equalPriors),
                               c.offset == 0 ? 1e-9 : 1e-6, c.offset == 0);
    }
}

// Two groups: one function, Wilks' lambda 1/(1 + λ), df = p, and λ = (n₁n₂/n)·D²/(n − 2),
// so that the distance's F probability is the exact test of Wilks' lambda,
// F = λ(n − p − 1)/p on (p, n − p − 1).
TEST(Discrim, TwoGroupIdentities)
{
    std::mt19937 generator(2);
    std::normal_distribution<double> normal;
    const double p = 4, n1 = 11, n2 = 17, n = n1 + n2;
    Columns columns(4);
    std::vector<double> codes;
    for (double k = 0; k < n; ++k) {
        codes.push_back(k < n1 ? 0 : 1);
        for (std::size_t i = 0; i < 4; ++i) columns[i].push_back(normal(generator) + codes.back() * (0.3 + 0.2 * static_cast<double>(i)));
    }
    const DiscrimRun run(columns, codes, 2);
    ASSERT_EQ(run.status, kOk);
    const double lambda = run.table(0, 0), d2 = run.distances(1, 0) * run.distances(1, 0);
    EXPECT_EQ(run.table(4, 0), 1 / (1 + lambda));
    EXPECT_EQ(run.table(6, 0), p);
    EXPECT_NEAR(lambda, n1 * n2 / n * d2 / (n - 2), 1e-12 * lambda);
    EXPECT_NEAR(run.distances(0, 1), static_cast<double>(ReferenceFUpper(lambda * (n - p - 1) / p, p, n - p - 1)), 1e-6);
    EXPECT_LE((run.raw.col(0).head(4).array() < 0).count(), 2);  // p even: at most p/2 negative
}

// Rows with an empty cell or an empty code take no part (the results equal exactly
// those of the complete rows alone, which are compacted to the top in input
// order); marked rows are listed in input order with their classification,
// MissingValue when a value is empty, and the list ends with −1.
TEST(Discrim, EmptyCellsCompactionAndPredictions)
{
    std::mt19937 generator(17);
    std::normal_distribution<double> normal;
    Columns complete(3), mixed(3);
    std::vector<double> completeCodes, mixedCodes, markedRows;
    const auto add = [&](const std::vector<double>& row, double code) {
        for (std::size_t i = 0; i < 3; ++i) mixed[i].push_back(row[i]);
        mixedCodes.push_back(code);
    };
    for (std::size_t k = 0; k < 30; ++k) {
        const double group = static_cast<double>(k % 3);
        for (std::size_t i = 0; i < 3; ++i) complete[i].push_back(normal(generator) + group * static_cast<double>(i));
        completeCodes.push_back(group);
        add({complete[0][k], complete[1][k], complete[2][k]}, group);
        if (k % 7 == 3) {
            add({normal(generator), k % 2 ? kMissing : 2.5, normal(generator)}, kPredictMarker);
            markedRows.push_back(static_cast<double>(mixedCodes.size()));
        }
        if (k % 5 == 1) {
            add({9, kMissing, 9}, 1);
            add({7, 7, 7}, kMissing);
        }
    }
    DiscrimRun whole(complete, completeCodes, 3), run(mixed, mixedCodes, 3);
    ASSERT_EQ(run.status, kOk);
    for (const auto& [a, b] : {std::pair{&whole.table, &run.table}, {&whole.raw, &run.raw},
                               {&whole.standardised, &run.standardised}, {&whole.centroids, &run.centroids},
                               {&whole.distances, &run.distances}, {&whole.classification, &run.classification}}) {
        EXPECT_EQ(*a, *b);
    }
    EXPECT_EQ(whole.percentCorrect, run.percentCorrect);
    for (std::size_t k = 1; k <= 30; ++k) {
        EXPECT_EQ(run.groups[k], completeCodes[k - 1]);
        for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(run.data(k, i), complete[i - 1][k - 1]);
    }

    const Reference ref(complete, completeCodes, 3);
    ASSERT_EQ(run.predictions.rows(), static_cast<Eigen::Index>(markedRows.size()) + 1);
    for (std::size_t j = 0; j < markedRows.size(); ++j) {
        const auto at = static_cast<Eigen::Index>(j);
        const auto r = static_cast<std::size_t>(markedRows[j]) - 1;
        EXPECT_EQ(run.predictions(at, 0), markedRows[j]);
        if (IsMissing(mixed[1][r])) {
            EXPECT_MISSING(run.predictions(at, 1));
        } else {
            EXPECT_EQ(run.predictions(at, 1), 1 + ref.Classify((VectorXd(3) << mixed[0][r], mixed[1][r], mixed[2][r]).finished()));
        }
    }
    EXPECT_EQ(run.predictions.bottomRows(1), (MatrixXd(1, 2) << -1, 0).finished());  // column 2 not written
}

}  // namespace
}  // namespace sheetstat::testing
