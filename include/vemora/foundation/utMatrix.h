#pragma once

#include <vemora/foundation/vemoraApi.h>

#include <vector>

namespace Vemora {

// A dense m-by-n matrix of doubles for the small least-squares systems of the curve fitters.
// Element (i, j) is row i, column j; the rows are exposed as a `double**` so that results can be
// written straight into another matrix's storage (the add/sub/mul forms below).
//
// If the storage cannot be allocated the matrix is left empty (m = n = 0, null data) and nothing
// is thrown. Operand sizes are preconditions: debug builds assert them, release builds never read
// or write a utMatrix_c outside its own bounds (the `double**` outputs cannot be checked).
class VEMORA_API utMatrix_c {
public:
    utMatrix_c() = default;
    // Every element 0.
    utMatrix_c(int m, int n);
    utMatrix_c(const utMatrix_c& src);
    utMatrix_c(utMatrix_c&& src) noexcept;
    ~utMatrix_c();

    // Copies the elements of `src`, which must be of the same size; the target keeps its size.
    utMatrix_c& operator=(const utMatrix_c& src);

    utMatrix_c operator+(const utMatrix_c& b) const;
    utMatrix_c operator-(const utMatrix_c& b) const;
    utMatrix_c operator*(double s) const;
    // this (m-by-k) times b (k-by-p): m-by-p.
    utMatrix_c operator*(const utMatrix_c& b) const;

    // Row i: n() doubles. No bounds check.
    double* operator[](int i) { return rows_[i]; }
    const double* operator[](int i) const { return rows_[i]; }
    // The row pointers; null for an empty matrix.
    operator double**() { return rows_.empty() ? nullptr : rows_.data(); }
    operator const double* const*() const { return rows_.empty() ? nullptr : rows_.data(); }

    int m() const { return m_; }
    int n() const { return n_; }

    // The forms below write into `out`, an existing array of rows of the result's size, which may
    // not alias an operand of a product.
    // out = this + b, out = this - b (same sizes).
    void add(const utMatrix_c& b, double** out) const;
    void sub(const utMatrix_c& b, double** out) const;
    // out = this * b, m-by-b.n().
    void mul(const utMatrix_c& b, double** out) const;
    // out = s * this.
    void mul(double s, double** out) const;
    // out = transpose(this) * b, n-by-b.n(), summing over the m rows.
    void trMul(const utMatrix_c& b, double** out) const;
    // out = this * transpose(b), m-by-b.m(), summing over the n columns.
    void mulTr(const utMatrix_c& b, double** out) const;

private:
    void allocate(int m, int n);

    int m_ = 0;
    int n_ = 0;
    std::vector<double> cells_;  // row by row
    std::vector<double*> rows_;  // rows_[i] = &cells_[i * n_]
};

// A square matrix (m = n) with structural tests, determinant, inverse and eigen-decomposition.
// The structural tests compare exactly, without tolerance.
class VEMORA_API utSquireMatrix_c : public utMatrix_c {
public:
    utSquireMatrix_c() = default;
    // n-by-n, every element 0.
    explicit utSquireMatrix_c(int n);
    utSquireMatrix_c(const utSquireMatrix_c& src) = default;
    utSquireMatrix_c(utSquireMatrix_c&& src) noexcept = default;
    // The leading square block of `src`, of size min(m, n). Implicit, so that a product or sum
    // can initialise a square matrix.
    utSquireMatrix_c(const utMatrix_c& src);
    ~utSquireMatrix_c() = default;

    // Same sizes required; self-assignment is harmless.
    utSquireMatrix_c& operator=(const utSquireMatrix_c& src);

    // a[i][j] == a[j][i] for all i > j.
    bool isSymmetric() const;
    // a[i][j] == -a[j][i] for all i > j; the diagonal is not examined.
    bool isAsymmetric() const;
    // Every off-diagonal element is 0.
    bool isDiagonal() const;
    // Diagonal with every diagonal element 1.
    bool isIdentity() const;
    // det() == 0.
    bool isSingular() const;

    // Each of these changes the matrix in place and returns it.
    utSquireMatrix_c& identity();
    utSquireMatrix_c& transpose();
    // Inverts through inverceMatrix; a singular matrix is left partly transformed, unreported.
    utSquireMatrix_c& invert();

    // The trace.
    double spur() const;
    // Crout LU with implicit partial pivoting on a copy.
    double det() const;

    // Replaces the n-by-n matrix held in `out` (n of this matrix; this matrix's elements are not
    // read) by its inverse: Gauss-Jordan with full pivoting. False when it is singular, with `out`
    // partly transformed.
    bool inverceMatrix(double** out) const;

    // values[0..n-1] gets the eigenvalues, column k of the n-by-n array `vectors` the eigenvector
    // of values[k]. Symmetric matrices: orthonormal eigenvectors, eigenvalues unsorted. Others:
    // LAPACK's real parts and unit right eigenvectors; a complex pair keeps the real parts as both
    // values and the packed real and imaginary columns as they stand. False when the solver fails
    // (no convergence, non-finite elements, no memory); the outputs are then unspecified.
    bool eigenSystem(double* values, double** vectors) const;

private:
    bool symmetricEigenSystem(double* values, double** vectors) const;
    bool generalEigenSystem(double* values, double** vectors) const;
};

}  // namespace Vemora
