// Least-squares fitting for the plot statement: one-sided Jacobi singular
// value decomposition and the incomplete gamma function for the probability.
#include <cmath>

#include "kemlang/gplot.h"

namespace {

// One-sided Jacobi: rotates column pairs of u (n x m) until they are
// orthogonal; then the column norms are the singular values, the normalised
// columns the left vectors, and the accumulated rotations v the right ones.
void jacobi_svd(std::vector<double>& u, int n, int m, std::vector<double>& w,
                std::vector<double>& v) {
    v.assign(static_cast<size_t>(m) * m, 0.0);
    for (int k = 0; k < m; ++k) v[k * m + k] = 1.0;
    for (int sweep = 0; sweep < 60; ++sweep) {
        double off = 0.0;
        for (int j = 0; j < m - 1; ++j)
            for (int k = j + 1; k < m; ++k) {
                double alpha = 0, beta = 0, gamma = 0;
                for (int i = 0; i < n; ++i) {
                    double uj = u[i * m + j], uk = u[i * m + k];
                    alpha += uj * uj;
                    beta += uk * uk;
                    gamma += uj * uk;
                }
                if (gamma == 0.0) continue;
                off = std::max(off, std::fabs(gamma) / std::sqrt(alpha * beta));
                double zeta = (beta - alpha) / (2.0 * gamma);
                double t =
                    (zeta >= 0 ? 1.0 : -1.0) / (std::fabs(zeta) + std::sqrt(1.0 + zeta * zeta));
                double c = 1.0 / std::sqrt(1.0 + t * t), s = c * t;
                for (int i = 0; i < n; ++i) {
                    double uj = u[i * m + j], uk = u[i * m + k];
                    u[i * m + j] = c * uj - s * uk;
                    u[i * m + k] = s * uj + c * uk;
                }
                for (int i = 0; i < m; ++i) {
                    double vj = v[i * m + j], vk = v[i * m + k];
                    v[i * m + j] = c * vj - s * vk;
                    v[i * m + k] = s * vj + c * vk;
                }
            }
        if (off < 1e-15) break;
    }
    w.assign(m, 0.0);
    for (int k = 0; k < m; ++k) {
        double s = 0;
        for (int i = 0; i < n; ++i) s += u[i * m + k] * u[i * m + k];
        w[k] = std::sqrt(s);
        if (w[k] > 0)
            for (int i = 0; i < n; ++i) u[i * m + k] /= w[k];
    }
}

double gser(double a, double x) {
    double sum = 1.0 / a, del = sum, ap = a;
    for (int n = 0; n < 1000; ++n) {
        ap += 1;
        del *= x / ap;
        sum += del;
        if (std::fabs(del) < std::fabs(sum) * 1e-15) break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

double gcf(double a, double x) {
    const double tiny = 1e-300;
    double b = x + 1 - a, c = 1 / tiny, d = 1 / b, h = d;
    for (int i = 1; i < 1000; ++i) {
        double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < tiny) d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1 / d;
        double del = d * c;
        h *= del;
        if (std::fabs(del - 1) < 1e-15) break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

}  // namespace

double gammq(double a, double x) {
    if (x <= 0 || a <= 0) return 1.0;
    return x < a + 1 ? 1.0 - gser(a, x) : gcf(a, x);
}

bool svdfit(const std::vector<double>& a, int n, int m, const std::vector<double>& y,
            const std::vector<double>& sigma, std::vector<double>& p, std::vector<double>& err,
            double& chi2) {
    if (n <= 0 || m <= 0) return false;
    std::vector<double> u(static_cast<size_t>(n) * m), b(n), w, v;
    for (int i = 0; i < n; ++i) {
        double s = sigma.empty() ? 1.0 : sigma[i];
        for (int k = 0; k < m; ++k) u[i * m + k] = a[i * m + k] / s;
        b[i] = y[i] / s;
    }
    jacobi_svd(u, n, m, w, v);
    double wmax = 0;
    for (double x : w) wmax = std::max(wmax, x);
    double thresh = wmax * 1e-12 * std::max(n, m);
    std::vector<double> coef(m, 0.0);  // (U^T b)_k / w_k
    for (int k = 0; k < m; ++k) {
        if (w[k] <= thresh) continue;
        double s = 0;
        for (int i = 0; i < n; ++i) s += u[i * m + k] * b[i];
        coef[k] = s / w[k];
    }
    p.assign(m, 0.0);
    err.assign(m, 0.0);
    for (int j = 0; j < m; ++j) {
        double s = 0, e = 0;
        for (int k = 0; k < m; ++k) {
            s += v[j * m + k] * coef[k];
            if (w[k] > thresh) e += v[j * m + k] * v[j * m + k] / (w[k] * w[k]);
        }
        p[j] = s;
        err[j] = std::sqrt(e);
    }
    chi2 = 0;
    for (int i = 0; i < n; ++i) {
        double f = 0, s = sigma.empty() ? 1.0 : sigma[i];
        for (int k = 0; k < m; ++k) f += a[i * m + k] * p[k];
        chi2 += (y[i] - f) * (y[i] - f) / (s * s);
    }
    return true;
}
