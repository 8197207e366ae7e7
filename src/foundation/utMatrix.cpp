#include <vemora/foundation/utMatrix.h>

#include "foundation/lapack.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace Vemora {

namespace {

// Iterations the QL sweep may spend on one eigenvalue.
constexpr int kMaxQlIterations = 30;

// The workspace dgeev has always been given; 4n is its documented minimum with right
// eigenvectors only, which n + 500 stops covering above n = 166.
int minimalGeevWork(int n) { return std::max(n + 500, 4 * n); }

// Ceiling on a workspace size reported by dgeev's query: its optimum is a few n plus n times a
// block size well below 64, so anything above this is a broken answer, not a request.
int maximalGeevWork(int n) { return minimalGeevWork(n) + 64 * n; }

bool allFinite(const double* const* a, int m, int n) {
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < n; ++j) {
            if (!std::isfinite(a[i][j])) return false;
        }
    }
    return true;
}

// r = sqrt(a^2 + b^2) without overflow or destructive underflow.
double pythag(double a, double b) { return std::hypot(a, b); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// utMatrix_c

void utMatrix_c::allocate(int m, int n) {
    assert(m >= 0 && n >= 0);
    m = std::max(m, 0);
    n = std::max(n, 0);
    try {
        std::vector<double> cells(static_cast<size_t>(m) * static_cast<size_t>(n), 0.0);
        std::vector<double*> rows(static_cast<size_t>(m));
        for (int i = 0; i < m; ++i) rows[i] = cells.data() + static_cast<size_t>(i) * n;
        cells_ = std::move(cells);
        rows_ = std::move(rows);
        m_ = m;
        n_ = n;
    } catch (const std::bad_alloc&) {
        // No memory: stay empty rather than keep a size without storage.
    } catch (const std::length_error&) {
    }
}

utMatrix_c::utMatrix_c(int m, int n) { allocate(m, n); }

utMatrix_c::utMatrix_c(const utMatrix_c& src) {
    allocate(src.m_, src.n_);
    if (m_ == src.m_ && n_ == src.n_)
        std::copy(src.cells_.begin(), src.cells_.end(), cells_.begin());
}

utMatrix_c::utMatrix_c(utMatrix_c&& src) noexcept
    : m_(src.m_), n_(src.n_), cells_(std::move(src.cells_)), rows_(std::move(src.rows_)) {
    src.m_ = 0;
    src.n_ = 0;
    src.cells_.clear();
    src.rows_.clear();
}

utMatrix_c::~utMatrix_c() = default;

utMatrix_c& utMatrix_c::operator=(const utMatrix_c& src) {
    assert(m_ == src.m_ && n_ == src.n_);
    if (this == &src) return *this;
    const int m = std::min(m_, src.m_);
    const int n = std::min(n_, src.n_);
    for (int i = 0; i < m; ++i) std::copy(src.rows_[i], src.rows_[i] + n, rows_[i]);
    return *this;
}

utMatrix_c utMatrix_c::operator+(const utMatrix_c& b) const {
    utMatrix_c r(m_, n_);
    add(b, r);
    return r;
}

utMatrix_c utMatrix_c::operator-(const utMatrix_c& b) const {
    utMatrix_c r(m_, n_);
    sub(b, r);
    return r;
}

utMatrix_c utMatrix_c::operator*(double s) const {
    utMatrix_c r(m_, n_);
    mul(s, r);
    return r;
}

utMatrix_c utMatrix_c::operator*(const utMatrix_c& b) const {
    utMatrix_c r(m_, b.n_);
    mul(b, r);
    return r;
}

void utMatrix_c::add(const utMatrix_c& b, double** out) const {
    assert(m_ == b.m_ && n_ == b.n_);
    const int m = std::min(m_, b.m_);
    const int n = std::min(n_, b.n_);
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < n; ++j) out[i][j] = rows_[i][j] + b.rows_[i][j];
    }
}

void utMatrix_c::sub(const utMatrix_c& b, double** out) const {
    assert(m_ == b.m_ && n_ == b.n_);
    const int m = std::min(m_, b.m_);
    const int n = std::min(n_, b.n_);
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < n; ++j) out[i][j] = rows_[i][j] - b.rows_[i][j];
    }
}

void utMatrix_c::mul(double s, double** out) const {
    for (int i = 0; i < m_; ++i) {
        for (int j = 0; j < n_; ++j) out[i][j] = rows_[i][j] * s;
    }
}

// The three products set every entry to 0 first and accumulate over k in increasing order, so
// that their rounding is the same whichever form a caller uses.
void utMatrix_c::mul(const utMatrix_c& b, double** out) const {
    assert(n_ == b.m_);
    const int inner = std::min(n_, b.m_);
    for (int i = 0; i < m_; ++i) {
        for (int j = 0; j < b.n_; ++j) {
            out[i][j] = 0.0;
            for (int k = 0; k < inner; ++k) out[i][j] += rows_[i][k] * b.rows_[k][j];
        }
    }
}

void utMatrix_c::trMul(const utMatrix_c& b, double** out) const {
    assert(m_ == b.m_);
    const int inner = std::min(m_, b.m_);
    for (int i = 0; i < n_; ++i) {
        for (int j = 0; j < b.n_; ++j) {
            out[i][j] = 0.0;
            for (int k = 0; k < inner; ++k) out[i][j] += rows_[k][i] * b.rows_[k][j];
        }
    }
}

void utMatrix_c::mulTr(const utMatrix_c& b, double** out) const {
    assert(n_ == b.n_);
    const int inner = std::min(n_, b.n_);
    for (int i = 0; i < m_; ++i) {
        for (int j = 0; j < b.m_; ++j) {
            out[i][j] = 0.0;
            for (int k = 0; k < inner; ++k) out[i][j] += rows_[i][k] * b.rows_[j][k];
        }
    }
}

// ---------------------------------------------------------------------------------------------
// utSquireMatrix_c: structure

utSquireMatrix_c::utSquireMatrix_c(int n) : utMatrix_c(n, n) {}

utSquireMatrix_c::utSquireMatrix_c(const utMatrix_c& src)
    : utMatrix_c(std::min(src.m(), src.n()), std::min(src.m(), src.n())) {
    const int n = this->n();
    for (int i = 0; i < n; ++i) std::copy(src[i], src[i] + n, (*this)[i]);
}

utSquireMatrix_c& utSquireMatrix_c::operator=(const utSquireMatrix_c& src) {
    const utSquireMatrix_c copy(src);
    utMatrix_c::operator=(copy);
    return *this;
}

bool utSquireMatrix_c::isSymmetric() const {
    const utSquireMatrix_c& a = *this;
    for (int i = 1; i < n(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (a[i][j] != a[j][i]) return false;
        }
    }
    return true;
}

bool utSquireMatrix_c::isAsymmetric() const {
    const utSquireMatrix_c& a = *this;
    for (int i = 1; i < n(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (a[i][j] != -a[j][i]) return false;
        }
    }
    return true;
}

bool utSquireMatrix_c::isDiagonal() const {
    const utSquireMatrix_c& a = *this;
    for (int i = 0; i < n(); ++i) {
        for (int j = 0; j < n(); ++j) {
            if (i != j && a[i][j] != 0.0) return false;
        }
    }
    return true;
}

bool utSquireMatrix_c::isIdentity() const {
    if (!isDiagonal()) return false;
    for (int i = 0; i < n(); ++i) {
        if ((*this)[i][i] != 1.0) return false;
    }
    return true;
}

bool utSquireMatrix_c::isSingular() const { return det() == 0.0; }

utSquireMatrix_c& utSquireMatrix_c::identity() {
    utSquireMatrix_c& a = *this;
    for (int i = 0; i < n(); ++i) {
        for (int j = 0; j < n(); ++j) a[i][j] = i == j ? 1.0 : 0.0;
    }
    return *this;
}

utSquireMatrix_c& utSquireMatrix_c::transpose() {
    utSquireMatrix_c& a = *this;
    for (int i = 1; i < n(); ++i) {
        for (int j = 0; j < i; ++j) std::swap(a[i][j], a[j][i]);
    }
    return *this;
}

utSquireMatrix_c& utSquireMatrix_c::invert() {
    inverceMatrix(*this);
    return *this;
}

double utSquireMatrix_c::spur() const {
    double s = 0.0;
    for (int i = 0; i < n(); ++i) s += (*this)[i][i];
    return s;
}

// ---------------------------------------------------------------------------------------------
// Determinant: Crout's LU decomposition with implicit partial pivoting (each row weighed by its
// largest element), on a copy.

double utSquireMatrix_c::det() const {
    const int n = this->n();
    utSquireMatrix_c lu(*this);
    if (lu.n() != n) return 0.0;  // no memory for the copy
    utSquireMatrix_c& a = lu;

    std::vector<double> rowScale;
    try {
        rowScale.resize(n);
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
    for (int i = 0; i < n; ++i) {
        double big = 0.0;
        for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(a[i][j]));
        if (big == 0.0) return 0.0;  // a zero row
        rowScale[i] = 1.0 / big;
    }

    double sign = 1.0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double sum = a[i][j];
            for (int k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        double big = 0.0;
        int pivotRow = j;  // stays put if every candidate is NaN
        for (int i = j; i < n; ++i) {
            double sum = a[i][j];
            for (int k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            const double weight = rowScale[i] * std::fabs(sum);
            if (weight >= big) {  // ties go to the later row
                big = weight;
                pivotRow = i;
            }
        }
        if (pivotRow != j) {
            std::swap_ranges(a[pivotRow], a[pivotRow] + n, a[j]);
            sign = -sign;
            rowScale[pivotRow] = rowScale[j];
        }
        // Every candidate in this column is 0: the matrix is singular. The classic stand-in pivot
        // would keep the elimination going and report a tiny non-zero determinant instead.
        if (a[j][j] == 0.0) return 0.0;
        if (j != n - 1) {
            const double inv = 1.0 / a[j][j];
            for (int i = j + 1; i < n; ++i) a[i][j] *= inv;
        }
    }
    double d = sign;
    for (int j = 0; j < n; ++j) d *= a[j][j];
    return d;
}

// ---------------------------------------------------------------------------------------------
// Inverse: Gauss-Jordan elimination with full pivoting, in place on `out`.

bool utSquireMatrix_c::inverceMatrix(double** out) const {
    const int n = this->n();
    double** a = out;
    std::vector<int> pivotUsed, pivotRow, pivotCol;
    try {
        pivotUsed.assign(n, 0);
        pivotRow.assign(n, 0);
        pivotCol.assign(n, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }

    for (int step = 0; step < n; ++step) {
        // The largest element among the unused rows and columns, the later one on ties.
        double big = 0.0;
        int row = -1;
        int col = -1;
        for (int i = 0; i < n; ++i) {
            if (pivotUsed[i]) continue;
            for (int k = 0; k < n; ++k) {
                if (pivotUsed[k]) continue;
                if (std::fabs(a[i][k]) >= big) {
                    big = std::fabs(a[i][k]);
                    row = i;
                    col = k;
                }
            }
        }
        // Nothing to pivot on (all NaN) or a zero pivot: singular.
        if (col < 0 || a[row][col] == 0.0) return false;
        pivotUsed[col] = 1;

        if (row != col) std::swap_ranges(a[row], a[row] + n, a[col]);
        pivotRow[step] = row;
        pivotCol[step] = col;

        const double inv = 1.0 / a[col][col];
        a[col][col] = 1.0;
        for (int l = 0; l < n; ++l) a[col][l] *= inv;
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            const double factor = a[r][col];
            a[r][col] = 0.0;
            for (int l = 0; l < n; ++l) a[r][l] -= a[col][l] * factor;
        }
    }
    // The row swaps above permuted the columns of the inverse; undo them in reverse order.
    for (int step = n - 1; step >= 0; --step) {
        if (pivotRow[step] == pivotCol[step]) continue;
        for (int k = 0; k < n; ++k) std::swap(a[k][pivotRow[step]], a[k][pivotCol[step]]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Eigen-decomposition

bool utSquireMatrix_c::eigenSystem(double* values, double** vectors) const {
    if (n() == 0) return true;
    assert(values && vectors);
    if (!allFinite(*this, n(), n())) return false;
    return isSymmetric() ? symmetricEigenSystem(values, vectors)
                         : generalEigenSystem(values, vectors);
}

// Householder reduction to tridiagonal form followed by the QL algorithm with implicit shifts.
// The transformations are accumulated in `vectors`, whose columns end up as the eigenvectors.
bool utSquireMatrix_c::symmetricEigenSystem(double* values, double** vectors) const {
    const int n = this->n();
    double** z = vectors;
    double* d = values;
    std::vector<double> e;
    try {
        e.assign(n, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int i = 0; i < n; ++i) std::copy((*this)[i], (*this)[i] + n, z[i]);

    // --- Stage 1: Householder tridiagonalisation. Row i (from the last up) is reduced against
    // its first l = i - 1 elements; d[i] temporarily holds the reflector's h.
    for (int i = n - 1; i > 0; --i) {
        const int l = i - 1;
        double h = 0.0;
        if (l > 0) {
            double scale = 0.0;
            for (int k = 0; k <= l; ++k) scale += std::fabs(z[i][k]);
            if (scale == 0.0) {
                e[i] = z[i][l];  // the row is already reduced
            } else {
                for (int k = 0; k <= l; ++k) {
                    z[i][k] /= scale;
                    h += z[i][k] * z[i][k];
                }
                double f = z[i][l];
                double g = f >= 0.0 ? -std::sqrt(h) : std::sqrt(h);
                e[i] = scale * g;
                h -= f * g;
                z[i][l] = f - g;
                f = 0.0;
                for (int j = 0; j <= l; ++j) {
                    z[j][i] = z[i][j] / h;  // kept for the accumulation below
                    g = 0.0;
                    for (int k = 0; k <= j; ++k) g += z[j][k] * z[i][k];
                    for (int k = j + 1; k <= l; ++k) g += z[k][j] * z[i][k];
                    e[j] = g / h;
                    f += e[j] * z[i][j];
                }
                const double hh = f / (h + h);
                for (int j = 0; j <= l; ++j) {
                    f = z[i][j];
                    e[j] = g = e[j] - hh * f;
                    for (int k = 0; k <= j; ++k) z[j][k] -= f * e[k] + g * z[i][k];
                }
            }
        } else {
            e[i] = z[i][l];
        }
        d[i] = h;
    }
    d[0] = 0.0;
    e[0] = 0.0;

    // --- Stage 2: accumulate the reflectors into z and read off the diagonal.
    for (int i = 0; i < n; ++i) {
        const int l = i;  // columns 0..i-1 carry reflector i
        if (d[i] != 0.0) {
            for (int j = 0; j < l; ++j) {
                double g = 0.0;
                for (int k = 0; k < l; ++k) g += z[i][k] * z[k][j];
                for (int k = 0; k < l; ++k) z[k][j] -= g * z[k][i];
            }
        }
        d[i] = z[i][i];
        z[i][i] = 1.0;
        for (int j = 0; j < l; ++j) z[j][i] = z[i][j] = 0.0;
    }

    // --- Stage 3: QL with implicit shifts on the tridiagonal (d, e), e[i] coupling i and i+1.
    for (int i = 1; i < n; ++i) e[i - 1] = e[i];
    e[n - 1] = 0.0;

    bool converged = true;
    for (int l = 0; l < n; ++l) {
        int iterations = 0;
        int m;
        do {
            // The first negligible sub-diagonal element at or after l, judged in single
            // precision.
            for (m = l; m < n - 1; ++m) {
                const double dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
                if (static_cast<float>(std::fabs(e[m]) + dd) == static_cast<float>(dd)) break;
            }
            if (m == l) break;
            if (iterations++ == kMaxQlIterations) {
                converged = false;  // give this eigenvalue up and go on with the next
                break;
            }
            double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
            double r = pythag(g, 1.0);
            g = d[m] - d[l] + e[l] / (g + (g >= 0.0 ? r : -r));
            double s = 1.0;
            double c = 1.0;
            double p = 0.0;
            int i = m - 1;
            for (; i >= l; --i) {
                double f = s * e[i];
                const double b = c * e[i];
                e[i + 1] = r = pythag(f, g);
                if (r == 0.0) {  // underflow: deflate and restart the sweep
                    d[i + 1] -= p;
                    e[m] = 0.0;
                    break;
                }
                s = f / r;
                c = g / r;
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2.0 * c * b;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - b;
                for (int k = 0; k < n; ++k) {
                    f = z[k][i + 1];
                    z[k][i + 1] = s * z[k][i] + c * f;
                    z[k][i] = c * z[k][i] - s * f;
                }
            }
            if (r == 0.0 && i >= l) continue;
            d[l] -= p;
            e[l] = g;
            e[m] = 0.0;
        } while (m != l);
    }
    return converged;
}

// Every other matrix goes to LAPACK: eigenvalues' real parts and right eigenvectors.
bool utSquireMatrix_c::generalEigenSystem(double* values, double** vectors) const {
    const int n = this->n();
    const size_t nn = static_cast<size_t>(n) * n;
    std::vector<double> a, wr, wi, vr, work;
    try {
        a.resize(nn);
        wr.resize(n);
        wi.resize(n);
        vr.resize(nn);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) a[r + static_cast<size_t>(c) * n] = (*this)[r][c];
    }

    const char jobvl = 'N';
    const char jobvr = 'V';
    const int ldvl = 1;
    double vl = 0.0;  // never referenced with jobvl = 'N'
    int info = 0;

    // The workspace: at least what dgeev has always had, more if its query asks for it and the
    // answer is sane.
    int lwork = minimalGeevWork(n);
    {
        double optimal = 0.0;
        const int query = -1;
        dgeev_(&jobvl, &jobvr, &n, a.data(), &n, wr.data(), wi.data(), &vl, &ldvl, vr.data(), &n,
               &optimal, &query, &info, 1, 1);
        if (info == 0 && std::isfinite(optimal) && optimal > lwork &&
            optimal <= maximalGeevWork(n)) {
            lwork = static_cast<int>(std::ceil(optimal));
        }
    }
    try {
        work.resize(lwork);
    } catch (const std::bad_alloc&) {
        return false;
    }

    info = 0;
    dgeev_(&jobvl, &jobvr, &n, a.data(), &n, wr.data(), wi.data(), &vl, &ldvl, vr.data(), &n,
           work.data(), &lwork, &info, 1, 1);
    // info < 0: an argument was rejected; info > 0: the QR iteration did not converge and only
    // some eigenvalues (and no eigenvectors) were computed. Either way the fit has nothing to use.
    if (info != 0) return false;

    for (int k = 0; k < n; ++k) values[k] = wr[k];
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) vectors[r][c] = vr[r + static_cast<size_t>(c) * n];
    }
    return true;
}

}  // namespace Vemora
