// Linear discriminant analysis of p variables over g groups (Fisher 1936; Rao 1948;
// Tatsuoka, Multivariate Analysis, 1971, ch. 6-8).
//
// In standardised units (each variable centred on its mean and divided by its
// standard deviation over the n complete cases) the between-groups matrix is
// B = Σ_c n_c·z_c·z_cᵀ, z_c the standardised mean of group c, and the within-groups
// matrix W = (n − 1)·R − B, R the correlation matrix (a correlation below 0.001 in
// magnitude taken as ±0.001). The discriminant functions are the eigenvectors of
// W⁻¹B, largest eigenvalue first, q = min(g − 1, p) of them, scaled so that the
// scores have pooled within-groups variance 1. They are tested by Wilks' lambda
// Λ_k = Π_{j≥k} 1/(1 + λ_j) with Bartlett's chi-square ((n − 1) − (p + g)/2)·ln(1/Λ_k)
// on (p − k + 1)(g − k) degrees of freedom. Groups are compared by their Mahalanobis
// distances (with the F test of Hotelling's two-sample T²), and every complete case is
// classified by the linear classification score z_cᵀS⁻¹x − z_cᵀS⁻¹z_c/2 (+ ln(n_c/n)
// with priors proportional to the group sizes), S the pooled within-groups
// correlation matrix; rows whose group cell holds PredictMarker are classified the
// same way without entering the fit.
//
// Means and deviations come from the two-pass moments kernel with the rounding error
// of each mean carried along, so group means that differ little from the overall mean
// keep their digits at any common offset of the data.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analyses/regression/correlate_pair.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/lu_decomposition.hpp"
#include "numeric/nonsymmetric_eigen.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

constexpr double kLargestEigenvalue = 1e8;
// Smallest tolerance 1 − R²_i = 1/(W_ii·W⁻¹_ii) of a variable on the others.
constexpr double kSmallestTolerance = 1e-10;
constexpr double kSmallestCorrelation = 0.001;

constexpr std::ptrdiff_t At(std::size_t i) noexcept
{
    return static_cast<std::ptrdiff_t>(i);
}

// The eleven arguments, viewed and checked for shape.
struct DiscrimArguments {
    RealArrayView options, groups, stats;
    RealMatrixView data, predictions, functionTable, rawCoefficients, standardisedCoefficients, centroids,
        groupDistances, classificationTable;
    std::size_t N = 0, p = 0, g = 0, q = 0;
    bool equalPriors = false;

    DiscrimArguments(HostArray** options_, HostArray** data_, HostArray** groups_, HostArray** predictions_,
                     HostArray** functionTable_, HostArray** rawCoefficients_, HostArray** standardised_,
                     HostArray** centroids_, HostArray** groupDistances_, HostArray** classificationTable_,
                     HostArray** stats_)
        : options(options_), groups(groups_), stats(stats_), data(data_), predictions(predictions_),
          functionTable(functionTable_), rawCoefficients(rawCoefficients_), standardisedCoefficients(standardised_),
          centroids(centroids_), groupDistances(groupDistances_), classificationTable(classificationTable_)
    {
        Require(options.count() >= 2 && stats.count() >= 1 && functionTable.rows() >= 8);
        equalPriors = TruncateCode(options[1]) != 0;
        TruncateCode(options[2]);  // not used, but it must be a number
        N = groups.count();
        p = data.cols();
        g = centroids.rows();
        Require(N <= data.rows() && p >= 1 && p <= INT32_MAX && g >= 2 && g <= INT32_MAX);
        q = std::min(g - 1, p);
        Require(functionTable.cols() >= q && rawCoefficients.rows() >= p + 1 && rawCoefficients.cols() >= q &&
                standardisedCoefficients.rows() >= p && standardisedCoefficients.cols() >= q &&
                centroids.cols() >= q && groupDistances.rows() >= g && groupDistances.cols() >= g &&
                classificationTable.rows() >= g + 1 && classificationTable.cols() >= g && predictions.cols() >= 2);
    }

    // A group cell that names a group (neither empty nor a prediction request).
    bool HasCode(std::size_t r) const { return !IsMissing(groups[r]) && !IsPredictMarker(groups[r]); }
};

struct CaseCounts {
    std::size_t complete = 0;  // n: rows with every value and a group code
    std::size_t marked = 0;    // J: rows that ask for a prediction
};

// Reads every value and group cell once, before anything is written: a value that is
// not a finite number and a group code outside 0..g − 1 are status 8. Counts the
// complete cases of each group into sizes[1..g].
CaseCounts CountCases(const DiscrimArguments& args, RealVector& sizes)
{
    CaseCounts counts;
    sizes.Fill(0.0);
    for (std::size_t r = 1; r <= args.N; ++r) {
        bool complete = true;
        for (std::size_t i = 1; i <= args.p; ++i) {
            const double value = args.data(r, i);
            if (IsMissing(value)) {
                complete = false;
            } else {
                RequireFinite(value);
            }
        }
        if (IsPredictMarker(args.groups[r])) ++counts.marked;
        if (!args.HasCode(r)) continue;
        const std::size_t c = ClassIndex(args.groups[r], args.g) + 1;
        if (complete) {
            ++counts.complete;
            sizes[At(c)] += 1;
        }
    }
    return counts;
}

// The rows marked for prediction, with their 1-based row numbers, copied before the
// data are compacted.
struct MarkedRows {
    RealMatrix values;
    RealVector rowNumbers;

    MarkedRows(const DiscrimArguments& args, std::size_t count)
        : values(1, count, 1, args.p), rowNumbers(1, count)
    {
        std::ptrdiff_t j = 0;
        for (std::size_t r = 1; r <= args.N; ++r) {
            if (!IsPredictMarker(args.groups[r])) continue;
            rowNumbers[++j] = static_cast<double>(r);
            for (std::size_t i = 1; i <= args.p; ++i) values[j][At(i)] = args.data(r, i);
        }
    }
};

// Moves the complete cases with a group code to rows (and group slots) 1..n in input
// order: the cells of each row are copied up to its first empty cell, so the row
// after the last complete case may hold cells of later incomplete rows.
void CompactCompleteCases(const DiscrimArguments& args)
{
    std::size_t n = 0;
    for (std::size_t r = 1; r <= args.N; ++r) {
        bool complete = true;
        for (std::size_t i = 1; i <= args.p && complete; ++i) {
            const double value = args.data(r, i);
            complete = !IsMissing(value);
            if (complete) args.data(n + 1, i) = value;
        }
        if (complete && args.HasCode(r)) args.groups[++n] = args.groups[r];
    }
}

// The standardising moments of each variable over the n complete cases, and the
// deviations of the group means from the overall means (d) and in standard
// deviations (z), groups 1..g by variables 1..p.
struct GroupMeans {
    OffsetVector<RunningMoments> overall;
    RealVector sd;
    RealMatrix d, z;

    GroupMeans(const DiscrimArguments& args, std::size_t n, const IntVector& groupOf)
        : overall(1, args.p), sd(1, args.p), d(1, args.g, 1, args.p), z(1, args.g, 1, args.p)
    {
        OffsetVector<MomentsAccumulator> byGroup(1, args.g);
        for (std::size_t i = 1; i <= args.p; ++i) {
            const double* column = args.data.column(i);
            MomentsAccumulator all;
            byGroup.Fill(MomentsAccumulator{});
            for (std::size_t k = 0; k < n; ++k) {
                all.Add(column[k]);
                byGroup[groupOf[At(k + 1)]].Add(column[k]);
            }
            all.EndFirstPass();
            for (std::size_t c = 1; c <= args.g; ++c) byGroup[At(c)].EndFirstPass();
            for (std::size_t k = 0; k < n; ++k) {
                all.AddSecond(column[k]);
                byGroup[groupOf[At(k + 1)]].AddSecond(column[k]);
            }
            const RunningMoments moments = all.Moments();
            // A constant variable has no standard unit and makes W singular.
            Require(moments.sumSquares > 0, Status::InsufficientData);
            overall[At(i)] = moments;
            sd[At(i)] = std::sqrt(moments.SampleVariance());
            for (std::size_t c = 1; c <= args.g; ++c) {
                d[At(c)][At(i)] = MeanDifference(byGroup[At(c)].Moments(), moments);
                z[At(c)][At(i)] = d[At(c)][At(i)] / sd[At(i)];
            }
        }
    }

    // Case k of the compacted data in standardised units, into x[1..p].
    void Standardise(const DiscrimArguments& args, std::size_t k, RealVector& x) const
    {
        for (std::size_t i = 1; i <= args.p; ++i) x[At(i)] = overall[At(i)].Deviation(args.data(k, i)) / sd[At(i)];
    }
};

// B[i][j] = Σ_c n_c·z_ci·z_cj and W = (n − 1)·R − B, R the correlations of the
// compacted columns (|r| < 0.001 taken as ±0.001, the diagonal exactly 1).
void WithinAndBetween(const DiscrimArguments& args, std::size_t n, const RealVector& sizes, const GroupMeans& means,
                      RealMatrix& W, RealMatrix& B)
{
    const auto p = At(args.p);
    for (std::ptrdiff_t i = 1; i <= p; ++i) {
        for (std::ptrdiff_t j = i; j <= p; ++j) {
            double sum = 0;
            for (std::size_t c = 1; c <= args.g; ++c) sum += sizes[At(c)] * means.z[At(c)][i] * means.z[At(c)][j];
            B[i][j] = B[j][i] = sum;
        }
    }
    const double cases = static_cast<double>(n);
    for (std::ptrdiff_t i = 1; i <= p; ++i) {
        W[i][i] = (cases - 1) - B[i][i];
        for (std::ptrdiff_t j = i + 1; j <= p; ++j) {
            double r = CorrelatePair(n, args.data.column(static_cast<std::size_t>(i)),
                                     args.data.column(static_cast<std::size_t>(j))).r;
            if (std::fabs(r) < kSmallestCorrelation) r = r < 0 ? -kSmallestCorrelation : kSmallestCorrelation;
            W[i][j] = W[j][i] = (cases - 1) * r - B[i][j];
        }
    }
}

// W⁻¹, status 7 when W is singular or so nearly singular that some variable's
// tolerance 1/(W_ii·W⁻¹_ii) (one less its squared multiple correlation with the
// others, within groups) is below 1e-10, or not positive definite.
void InvertWithin(const RealMatrix& W, RealMatrix& Winv, std::ptrdiff_t p)
{
    for (std::ptrdiff_t i = 1; i <= p; ++i)
        for (std::ptrdiff_t j = 1; j <= p; ++j) Winv[i][j] = W[i][j];
    InvertMatrix(Winv, static_cast<int32_t>(p));
    for (std::ptrdiff_t i = 1; i <= p; ++i) {
        // tolerance = 1/product ≥ 1e-10, compared without forming the quotient
        const double product = W[i][i] * Winv[i][i];
        Require(W[i][i] > 0 && product > 0 && product <= 1 / kSmallestTolerance, Status::NumericalFailure);
    }
}

// The eigenvalues of W⁻¹B in descending order (a selection sort in which the last of
// equal values wins) into ev, with their vectors in the columns of V.
void DiscriminantEigenvectors(const RealMatrix& Winv, const RealMatrix& B, std::ptrdiff_t p, RealVector& ev,
                              RealMatrix& V)
{
    const auto order = static_cast<std::size_t>(p);
    RealMatrix P(1, order, 1, order);
    for (std::ptrdiff_t i = 1; i <= p; ++i) {
        for (std::ptrdiff_t j = 1; j <= p; ++j) {
            double sum = 0;
            for (std::ptrdiff_t k = 1; k <= p; ++k) sum += Winv[i][k] * B[k][j];
            P[i][j] = sum;
        }
    }
    RealVector imaginary(1, order);
    SolveNonsymmetricEigen(P, static_cast<int32_t>(p), ev, imaginary, V);
    for (std::ptrdiff_t k = 1; k < p; ++k) {
        std::ptrdiff_t largest = k;
        for (std::ptrdiff_t j = k + 1; j <= p; ++j) {
            if (ev[j] >= ev[largest]) largest = j;
        }
        if (largest == k) continue;
        std::swap(ev[k], ev[largest]);
        for (std::ptrdiff_t i = 1; i <= p; ++i) std::swap(V[i][k], V[i][largest]);
    }
}

// Columns 1..q of V become raw coefficients: scaled so that vᵀWv = n − g (pooled
// within-groups variance 1 of the scores) and back to the units of the data, then
// negated when more than half of them (p/2, rounded down) are negative. Status 7 when
// vᵀWv is not positive.
void ScaleToRawCoefficients(RealMatrix& V, const RealMatrix& W, const GroupMeans& means, const DiscrimArguments& args,
                            std::size_t n)
{
    const auto p = At(args.p);
    for (std::ptrdiff_t k = 1; k <= At(args.q); ++k) {
        double s = 0;
        for (std::ptrdiff_t i = 1; i <= p; ++i) {
            double row = 0;
            for (std::ptrdiff_t j = 1; j <= p; ++j) row += W[i][j] * V[j][k];
            s += V[i][k] * row;
        }
        Require(s > 0 && std::isfinite(s), Status::NumericalFailure);
        const double f = std::sqrt(static_cast<double>(n - args.g) / s);
        std::ptrdiff_t negative = 0;
        for (std::ptrdiff_t i = 1; i <= p; ++i) {
            V[i][k] = f / means.sd[i] * V[i][k];
            negative += V[i][k] < 0;
        }
        if (negative > p / 2) {
            for (std::ptrdiff_t i = 1; i <= p; ++i) V[i][k] = -V[i][k];
        }
    }
}

// Function table column k: eigenvalue, percent of trace, cumulative percent,
// canonical correlation, Wilks' lambda of functions k..q, Bartlett's chi-square, its
// degrees of freedom and probability. ev[1..q] hold |λ| on entry.
void DiscriminantEigenTable(const DiscrimArguments& args, const RealVector& ev, std::size_t n)
{
    const std::size_t q = args.q;
    double trace = 0;
    for (std::size_t k = 1; k <= q; ++k) trace += ev[At(k)];
    // Λ_k and ln(1/Λ_k), accumulated from the last function up (each factor ≤ 1, so
    // neither overflows however many functions there are).
    RealVector lambda(1, q), logSum(1, q);
    double product = 1, sum = 0;
    for (std::size_t k = q; k >= 1; --k) {
        product /= 1 + ev[At(k)];
        sum += std::log1p(ev[At(k)]);
        lambda[At(k)] = product;
        logSum[At(k)] = sum;
    }
    const double bartlett = static_cast<double>(n - 1) - static_cast<double>(args.p + args.g) / 2;
    double cumulative = 0;
    for (std::size_t k = 1; k <= q; ++k) {
        const double e = ev[At(k)];
        auto& column = args.functionTable;
        column(1, k) = e;
        if (trace > 0) {
            const double percent = e / (trace / 100);
            cumulative += percent;
            column(2, k) = percent;
            column(3, k) = cumulative;
        } else {
            column(2, k) = kMissingValue;
            column(3, k) = kMissingValue;
        }
        column(4, k) = std::sqrt(e / (e + 1));
        column(5, k) = lambda[At(k)];
        const double chiSquare = bartlett * logSum[At(k)];
        const double df = static_cast<double>((args.p - k + 1) * (args.g - k));
        column(6, k) = chiSquare;
        column(7, k) = df;
        column(8, k) = ClampProbability(ChiSquareProb(chiSquare, df));
    }
}

// Mahalanobis distances of the group centroids (below the diagonal) and the
// probabilities of Hotelling's two-sample F (above it), with Sinv the inverse pooled
// within-groups correlation matrix.
void GroupDistances(const DiscrimArguments& args, const RealMatrix& Sinv, const GroupMeans& means,
                    const RealVector& sizes, std::size_t n)
{
    const auto p = At(args.p);
    const std::size_t g = args.g;
    RealVector diff(1, args.p);
    const double dfError = static_cast<double>(n) - static_cast<double>(args.p + g) + 1;
    const double dfPooled = static_cast<double>(n - g);
    for (std::size_t a = 1; a <= g; ++a) {
        args.groupDistances(a, a) = kMissingValue;
        for (std::size_t b = a + 1; b <= g; ++b) {
            for (std::ptrdiff_t i = 1; i <= p; ++i) diff[i] = means.z[At(a)][i] - means.z[At(b)][i];
            double d2 = 0;
            for (std::ptrdiff_t i = 1; i <= p; ++i) {
                double row = 0;
                for (std::ptrdiff_t j = 1; j <= p; ++j) row += Sinv[i][j] * diff[j];
                d2 += diff[i] * row;
            }
            d2 = std::max(d2, 0.0);  // a rounding residue below 0 for nearly equal centroids
            args.groupDistances(b, a) = std::sqrt(d2);
            const double na = sizes[At(a)], nb = sizes[At(b)];
            const double F = na * nb / (na + nb) * d2 * dfError / (dfPooled * static_cast<double>(args.p));
            args.groupDistances(a, b) = F > 0 ? ClampProbability(FProb(F, static_cast<double>(args.p), dfError))
                                              : kMissingValue;
        }
    }
}

// The linear classification rule: score_c(x) = xᵀu_c + c0[c], u_c = S⁻¹z_c, c0[c] =
// −z_cᵀu_c/2 (+ ln(n_c/n) with priors proportional to the group sizes). A case goes
// to the group of the largest score, the first of equal ones.
class Classifier {
public:
    Classifier(const DiscrimArguments& args, const RealMatrix& Sinv, const GroupMeans& means, const RealVector& sizes,
               std::size_t n)
        : p_(At(args.p)), g_(At(args.g)), u_(1, args.g, 1, args.p), c0_(1, args.g)
    {
        for (std::ptrdiff_t c = 1; c <= g_; ++c) {
            double quadratic = 0;
            for (std::ptrdiff_t i = 1; i <= p_; ++i) {
                double row = 0;
                for (std::ptrdiff_t j = 1; j <= p_; ++j) row += Sinv[i][j] * means.z[c][j];
                u_[c][i] = row;
                quadratic += means.z[c][i] * row;
            }
            c0_[c] = -0.5 * quadratic;
            if (!args.equalPriors) c0_[c] += std::log(sizes[c] / static_cast<double>(n));
        }
    }

    // The group number 1..g of the standardised case x[1..p].
    std::size_t Classify(const RealVector& x) const
    {
        std::size_t best = 0;
        double bestScore = 0;
        for (std::ptrdiff_t c = 1; c <= g_; ++c) {
            double score = c0_[c];
            for (std::ptrdiff_t i = 1; i <= p_; ++i) score += x[i] * u_[c][i];
            if (best == 0 || score > bestScore) {
                best = static_cast<std::size_t>(c);
                bestScore = score;
            }
        }
        return best;
    }

private:
    std::ptrdiff_t p_, g_;
    RealMatrix u_;
    RealVector c0_;
};

// Classifies the n complete cases: cell (predicted, actual) counts them, row g + 1
// holds the group sizes. Returns the percent classified into their own group.
double ClassificationTable(const DiscrimArguments& args, const Classifier& rule, const GroupMeans& means,
                           const RealVector& sizes, const IntVector& groupOf, std::size_t n)
{
    const std::size_t g = args.g;
    auto& table = args.classificationTable;
    for (std::size_t a = 1; a <= g; ++a) {
        for (std::size_t d = 1; d <= g; ++d) table(d, a) = 0;
        table(g + 1, a) = sizes[At(a)];
    }
    RealVector x(1, args.p);
    std::size_t correct = 0;
    for (std::size_t k = 1; k <= n; ++k) {
        means.Standardise(args, k, x);
        const std::size_t predicted = rule.Classify(x);
        const auto actual = static_cast<std::size_t>(groupOf[At(k)]);
        table(predicted, actual) += 1;
        correct += predicted == actual;
    }
    return 100 * static_cast<double>(correct) / static_cast<double>(n);
}

// One line per marked row, in input order: its row number and its group number
// (MissingValue when a value is empty); then −1 in column 1.
void PredictMarkedRows(const DiscrimArguments& args, const MarkedRows& marked, std::size_t count,
                       const Classifier& rule, const GroupMeans& means)
{
    RealVector x(1, args.p);
    for (std::size_t j = 1; j <= count; ++j) {
        args.predictions(j, 1) = marked.rowNumbers[At(j)];
        bool complete = true;
        for (std::size_t i = 1; i <= args.p && complete; ++i) {
            const double value = marked.values[At(j)][At(i)];
            complete = !IsMissing(value);
            if (complete) x[At(i)] = means.overall[At(i)].Deviation(value) / means.sd[At(i)];
        }
        args.predictions(j, 2) = complete ? static_cast<double>(rule.Classify(x)) : kMissingValue;
    }
    args.predictions(count + 1, 1) = -1;
}

void Discrim(const DiscrimArguments& args)
{
    const std::size_t p = args.p, g = args.g, q = args.q;
    RealVector sizes(1, g);
    const CaseCounts counts = CountCases(args, sizes);
    Require(args.predictions.rows() >= counts.marked + 1);
    const std::size_t n = counts.complete;
    // Every group needs a case, and the pooled within-groups matrix n − g ≥ p degrees
    // of freedom to be of full rank.
    Require(n >= 3 && n >= g && n - g >= p, Status::InsufficientData);
    for (std::size_t c = 1; c <= g; ++c) Require(sizes[At(c)] > 0, Status::InsufficientData);

    const MarkedRows marked(args, counts.marked);
    CompactCompleteCases(args);
    IntVector groupOf(1, n);
    for (std::size_t k = 1; k <= n; ++k) groupOf[At(k)] = static_cast<int32_t>(ClassIndex(args.groups[k], g) + 1);
    const GroupMeans means(args, n, groupOf);

    const auto order = At(p);
    RealMatrix W(1, p, 1, p), B(1, p, 1, p), Winv(1, p, 1, p), V(1, p, 1, p);
    WithinAndBetween(args, n, sizes, means, W, B);
    InvertWithin(W, Winv, order);
    RealVector ev(1, p);
    DiscriminantEigenvectors(Winv, B, order, ev, V);
    for (std::size_t k = 1; k <= q; ++k) {
        ev[At(k)] = std::fabs(ev[At(k)]);
        Require(ev[At(k)] <= kLargestEigenvalue, Status::NumericalFailure);
    }
    ScaleToRawCoefficients(V, W, means, args, n);

    for (std::size_t k = 1; k <= q; ++k) {
        double constant = 0;
        for (std::size_t i = 1; i <= p; ++i) {
            args.rawCoefficients(i, k) = V[At(i)][At(k)];
            constant -= means.overall[At(i)].mean * V[At(i)][At(k)];
        }
        args.rawCoefficients(p + 1, k) = constant;
    }
    // The centroid of group c on function k, Σ_i v_ik·(mean_ci − mean_i): the same as
    // Σ_i v_ik·mean_ci plus the constant, without cancelling a large common offset.
    for (std::size_t c = 1; c <= g; ++c) {
        for (std::size_t k = 1; k <= q; ++k) {
            double value = 0;
            for (std::size_t i = 1; i <= p; ++i) value += V[At(i)][At(k)] * means.d[At(c)][At(i)];
            args.centroids(c, k) = value;
        }
    }
    // S⁻¹ = (n − g)·W⁻¹, the inverse pooled within-groups correlation matrix.
    const double dfPooled = static_cast<double>(n - g);
    for (std::ptrdiff_t i = 1; i <= order; ++i)
        for (std::ptrdiff_t j = 1; j <= order; ++j) Winv[i][j] *= dfPooled;

    DiscriminantEigenTable(args, ev, n);
    for (std::size_t k = 1; k <= q; ++k) {
        for (std::size_t i = 1; i <= p; ++i) {
            args.standardisedCoefficients(i, k) =
                V[At(i)][At(k)] * means.sd[At(i)] * std::sqrt(W[At(i)][At(i)] / dfPooled);
        }
    }
    GroupDistances(args, Winv, means, sizes, n);
    const Classifier rule(args, Winv, means, sizes, n);
    args.stats[1] = ClassificationTable(args, rule, means, sizes, groupOf, n);
    PredictMarkedRows(args, marked, counts.marked, rule, means);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkDiscrim(HostArray** options, HostArray** data, HostArray** groups,
                                                          HostArray** predictions, HostArray** functionTable,
                                                          HostArray** rawCoefficients,
                                                          HostArray** standardisedCoefficients, HostArray** centroids,
                                                          HostArray** groupDistances, HostArray** classificationTable,
                                                          HostArray** stats)
{
    return sheetstat::RunExport([&] {
        const sheetstat::DiscrimArguments args(options, data, groups, predictions, functionTable, rawCoefficients,
                                               standardisedCoefficients, centroids, groupDistances,
                                               classificationTable, stats);
        sheetstat::Discrim(args);
    });
}
