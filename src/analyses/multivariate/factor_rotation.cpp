// Varimax (Kaiser, "The varimax criterion for analytic rotation in factor analysis",
// Psychometrika 23, 1958) and quartimax rotation by successive planar rotations of
// pairs of factors, the angle of each from tan 4φ = N/D with the quadrant given by
// the signs of N and D (Kaiser, "Computer program for varimax rotation in factor
// analysis", Educ. Psychol. Meas. 19, 1959; Harman 1976, ch. 14).
#include "analyses/multivariate/factor_rotation.hpp"

#include <cmath>
#include <cstdint>

namespace sheetstat {
namespace {

constexpr double kSmallTangent = 0.00116;  // tangents of 4φ below this count as 0
constexpr double kRoot2Half = 0.707106781;
constexpr double kQuietChange = 1e-7;
constexpr int32_t kQuietCyclesToStop = 3;

struct Rotation {
    bool rotate = false;
    double cos = 1, sin = 0;
};

// Numerator N and denominator D of tan 4φ for the rotation of factors j and k.
void AngleTerms(const RealMatrix& l, int32_t p, int32_t j, int32_t k, bool varimax, double& numerator,
                double& denominator)
{
    if (varimax) {
        double a = 0, b = 0, c = 0, g = 0;
        for (int32_t i = 1; i <= p; ++i) {
            const double x = l[i][j], y = l[i][k];
            const double u = (x + y) * (x - y), v = 2 * x * y;
            a += u;
            b += v;
            c += (u - v) * (u + v);
            g += 2 * u * v;
        }
        const double n = static_cast<double>(p);
        numerator = g - 2 * a * b / n;
        denominator = c - (a * a - b * b) / n;
        return;
    }
    double num = 0, den = 0;
    for (int32_t i = 1; i <= p; ++i) {
        const double x = l[i][j], y = l[i][k];
        const double difference = x * x - y * y, product = x * y;
        num += product * difference;
        den += difference * difference - 4 * product * product;
    }
    numerator = 4 * num;
    denominator = den;
}

// The rotation of a pair from N and D. |sin 4φ| and |cos 4φ| are |N| and |D| over
// hypot(N, D), which is 1/sqrt(1 + t²) and t/sqrt(1 + t²) with t the ratio of the
// smaller to the larger without forming t: a zero N or D gives the limit of the
// ratio (4φ a right angle or 0) instead of a division by zero.
Rotation PairRotation(double n, double d)
{
    Rotation rotation;
    double cos4 = 0, sin4 = 0;
    if (n > d) {
        const double length = std::hypot(n, d);
        if (std::fabs(d) <= kSmallTangent * std::fabs(n)) {
            cos4 = 0;
            sin4 = 1;
        } else {
            sin4 = std::fabs(n) / length;
            cos4 = std::fabs(d) / length;
        }
    } else if (n < d) {
        if (std::fabs(n) >= kSmallTangent * std::fabs(d)) {
            const double length = std::hypot(n, d);
            cos4 = std::fabs(d) / length;
            sin4 = std::fabs(n) / length;
        } else if (d < 0) {
            rotation.rotate = true;
            rotation.cos = rotation.sin = kRoot2Half;
            return rotation;
        } else {
            return rotation;
        }
    } else {
        if (n + d < kSmallTangent) return rotation;
        cos4 = sin4 = kRoot2Half;
    }

    // Half angles twice: from 4φ to 2φ to φ.
    const double cos2 = std::sqrt((1 + cos4) / 2);
    const double sin2 = sin4 / (2 * cos2);
    const double cosPhi = std::sqrt((1 + cos2) / 2);
    const double sinPhi = sin2 / (2 * cosPhi);
    rotation.rotate = true;
    if (d > 0) {
        rotation.cos = cosPhi;
        rotation.sin = sinPhi;
    } else {
        // 4φ in the second quadrant: φ = 45° − φ'.
        rotation.cos = (cosPhi + sinPhi) * kRoot2Half;
        rotation.sin = std::fabs((cosPhi - sinPhi) * kRoot2Half);
    }
    if (n <= 0) rotation.sin = -rotation.sin;
    return rotation;
}

void RotateColumns(RealMatrix& x, int32_t p, int32_t j, int32_t k, const Rotation& rotation)
{
    for (int32_t i = 1; i <= p; ++i) {
        const double a = x[i][j], b = x[i][k];
        x[i][j] = rotation.cos * a + rotation.sin * b;
        x[i][k] = rotation.cos * b - rotation.sin * a;
    }
}

}  // namespace

double VarimaxCriterion(const RealMatrix& l, int32_t p, int32_t m)
{
    const double n = static_cast<double>(p);
    double criterion = 0;
    for (int32_t k = 1; k <= m; ++k) {
        double squares = 0, fourth = 0;
        for (int32_t i = 1; i <= p; ++i) {
            const double square = l[i][k] * l[i][k];
            squares += square;
            fourth += square * square;
        }
        criterion += (n * fourth - squares * squares) / (n * n);
    }
    return criterion;
}

double QuartimaxCriterion(const RealMatrix& l, int32_t p, int32_t m, double d)
{
    double fourth = 0;
    for (int32_t i = 1; i <= p; ++i) {
        for (int32_t k = 1; k <= m; ++k) {
            const double square = l[i][k] * l[i][k];
            fourth += square * square;
        }
    }
    // d is the squared total communality, positive whenever a factor was retained.
    return d > 0 ? fourth / d : 0.0;
}

int32_t RotateFactors(RealMatrix& b, RealMatrix& l, RealMatrix& rotated, int32_t p, int32_t m, int32_t cycles,
                      bool varimax, bool normalise)
{
    // Row scales: the square roots of the communalities under normalisation, else 1.
    RealVector scale(1, static_cast<std::size_t>(p));
    double total = 0;
    for (int32_t i = 1; i <= p; ++i) {
        double communality = 0;
        for (int32_t k = 1; k <= m; ++k) communality += l[i][k] * l[i][k];
        total += communality;
        scale[i] = normalise && communality > 0 ? std::sqrt(communality) : 1.0;
        if (scale[i] != 1.0) {
            for (int32_t k = 1; k <= m; ++k) l[i][k] /= scale[i];
        }
    }
    const double quartimaxDivisor = total * total;

    double criterion = 0;
    int32_t quietCycles = 0, run = 0;
    while (run < cycles) {
        ++run;
        const double previous = criterion;
        criterion = varimax ? VarimaxCriterion(l, p, m) : QuartimaxCriterion(l, p, m, quartimaxDivisor);
        if (std::fabs(criterion - previous) <= kQuietChange && ++quietCycles >= kQuietCyclesToStop) break;
        for (int32_t j = 1; j < m; ++j) {
            for (int32_t k = j + 1; k <= m; ++k) {
                double n = 0, d = 0;
                AngleTerms(l, p, j, k, varimax, n, d);
                const Rotation rotation = PairRotation(n, d);
                if (!rotation.rotate) continue;
                RotateColumns(l, p, j, k, rotation);
                RotateColumns(b, p, j, k, rotation);
            }
        }
    }
    for (int32_t i = 1; i <= p; ++i) {
        for (int32_t k = 1; k <= m; ++k) rotated[i][k] = l[i][k] * scale[i];
    }
    return run;
}

}  // namespace sheetstat
