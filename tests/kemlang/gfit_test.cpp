// Least squares by singular value decomposition and the fit probability.
#include <gtest/gtest.h>

#include <cmath>

#include "kemlang/gplot.h"

namespace {

// Design matrix of polynomial basis 1, x, x^2, ... for the given x values.
std::vector<double> poly(const std::vector<double>& x, int m) {
    std::vector<double> a;
    for (double v : x)
        for (int k = 0; k < m; ++k) a.push_back(std::pow(v, k));
    return a;
}

TEST(SvdFit, ExactLinesAndQuadratics) {
    struct Case {
        std::vector<double> x, y;
        int m;
        std::vector<double> p;
    } cases[] = {
        {{0, 1, 2, 3}, {1, 3, 5, 7}, 2, {1, 2}},               // y = 1 + 2x
        {{-2, -1, 0, 1, 2}, {4, 1, 0, 1, 4}, 3, {0, 0, 1}},    // y = x^2
        {{1, 2, 3, 4, 5}, {6, 11, 18, 27, 38}, 3, {3, 2, 1}},  // y = 3 + 2x + x^2
        {{0.5, 1.5}, {2, 2}, 1, {2}},                          // constant
    };
    for (const Case& c : cases) {
        std::vector<double> p, err;
        double chi2 = -1;
        ASSERT_TRUE(
            svdfit(poly(c.x, c.m), static_cast<int>(c.x.size()), c.m, c.y, {}, p, err, chi2));
        ASSERT_EQ(p.size(), c.p.size());
        for (size_t k = 0; k < p.size(); ++k) EXPECT_NEAR(p[k], c.p[k], 1e-9);
        EXPECT_NEAR(chi2, 0.0, 1e-12);
    }
}

// A noisy straight line whose solution follows from the normal equations by
// hand: x = 0..4, y = 0.1, 1.9, 4.2, 5.8, 8.1, sigma 0.5 throughout.
// Sx = 10, Sxx = 30, Sy = 20.1, Sxy = 60.1, n = 5, D = n Sxx - Sx^2 = 50:
// slope = (5*60.1 - 10*20.1)/50 = 1.99, intercept = (20.1 - 19.9)/5 = 0.04.
// Residuals 0.06, -0.13, 0.18, -0.21, 0.10 give chi^2 = 0.107/0.25 = 0.428.
// Errors: sigma^2 Sxx/D and sigma^2 n/D give 0.3873 and 0.1581.
TEST(SvdFit, NoisyLineWithWeights) {
    std::vector<double> x{0, 1, 2, 3, 4}, y{0.1, 1.9, 4.2, 5.8, 8.1}, s(5, 0.5), p, err;
    double chi2 = 0;
    ASSERT_TRUE(svdfit(poly(x, 2), 5, 2, y, s, p, err, chi2));
    EXPECT_NEAR(p[0], 0.04, 1e-9);
    EXPECT_NEAR(p[1], 1.99, 1e-9);
    EXPECT_NEAR(chi2, 0.428, 1e-9);
    EXPECT_NEAR(err[0], std::sqrt(0.25 * 30 / 50), 1e-9);
    EXPECT_NEAR(err[1], std::sqrt(0.25 * 5 / 50), 1e-9);
}

TEST(SvdFit, SingularDesignStillSolves) {
    // Two identical basis columns: the minimum-norm solution splits the weight.
    std::vector<double> a{1, 1, 1, 1, 1, 1}, y{2, 2, 2}, p, err;
    double chi2 = 0;
    ASSERT_TRUE(svdfit(a, 3, 2, y, {}, p, err, chi2));
    EXPECT_NEAR(p[0] + p[1], 2.0, 1e-9);
    EXPECT_NEAR(p[0], p[1], 1e-9);
    EXPECT_FALSE(svdfit({}, 0, 2, {}, {}, p, err, chi2));
}

TEST(IncompleteGamma, KnownValues) {
    // Q(1, x) = exp(-x); Q(0.5, x) = erfc(sqrt x); chi^2 of 2 dof at 2: exp(-1).
    for (double x : {0.1, 1.0, 3.0, 10.0}) {
        EXPECT_NEAR(gammq(1.0, x), std::exp(-x), 1e-12) << x;
        EXPECT_NEAR(gammq(0.5, x), std::erfc(std::sqrt(x)), 1e-12) << x;
    }
    // chi^2 0.428 with 3 dof: Q(1.5, x) = erfc(sqrt x) + 2 sqrt(x/pi) exp(-x)
    EXPECT_NEAR(gammq(1.5, 0.214), 0.93439950647, 1e-10);
    EXPECT_DOUBLE_EQ(gammq(2.0, 0.0), 1.0);
}

}  // namespace
