#include <gtest/gtest.h>
#include <vemora.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

using namespace Vemora;

namespace {

constexpr double kTol = 1e-12;
constexpr double kEigenTol = 1e-9;
// The QL sweep drops a sub-diagonal element once it is negligible in single precision, which
// leaves residuals |A v - l v| of that order (the eigenvalues themselves are far closer).
constexpr double kQlResidualTol = 1e-6;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using Rows = std::initializer_list<std::initializer_list<double>>;

utMatrix_c matrix(Rows rows) {
    utMatrix_c a(int(rows.size()), int(rows.begin()->size()));
    int i = 0;
    for (const auto& row : rows) {
        std::copy(row.begin(), row.end(), a[i++]);
    }
    return a;
}

utSquireMatrix_c square(Rows rows) { return utSquireMatrix_c(matrix(rows)); }

void expectMatrix(const double* const* actual, Rows expected, double tol = kTol) {
    int i = 0;
    for (const auto& row : expected) {
        int j = 0;
        for (double v : row) {
            EXPECT_NEAR(actual[i][j], v, tol) << "at (" << i << ", " << j << ")";
            ++j;
        }
        ++i;
    }
}

struct Eigen {
    std::vector<double> values;
    utSquireMatrix_c vectors;
    bool ok;
};

Eigen eigen(const utSquireMatrix_c& a) {
    Eigen e{std::vector<double>(a.n(), 1234.0), utSquireMatrix_c(a.n()), false};
    e.ok = a.eigenSystem(e.values.data(), e.vectors);
    return e;
}

double column(const utSquireMatrix_c& v, int r, int c) { return v[r][c]; }

double columnNorm(const utSquireMatrix_c& v, int c) {
    double s = 0;
    for (int r = 0; r < v.n(); ++r) s += column(v, r, c) * column(v, r, c);
    return std::sqrt(s);
}

// |A v - lambda v| for column c, relative to |A|'s largest element.
double residual(const utSquireMatrix_c& a, const Eigen& e, int c) {
    double worst = 0;
    double scale = 1;
    for (int r = 0; r < a.n(); ++r) {
        double av = 0;
        for (int k = 0; k < a.n(); ++k) {
            av += a[r][k] * column(e.vectors, k, c);
            scale = std::max(scale, std::fabs(a[r][k]));
        }
        worst = std::max(worst, std::fabs(av - e.values[c] * column(e.vectors, r, c)));
    }
    return worst / scale;
}

std::vector<double> sorted(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// utMatrix_c

TEST(utMatrixTest, ElementwiseOperatorsAndProductMatchHandResults) {
    const utMatrix_c a = matrix({{1, 2, 3}, {4, 5, 6}});
    const utMatrix_c b = matrix({{6, 5, 4}, {3, 2, 1}});
    expectMatrix(a + b, {{7, 7, 7}, {7, 7, 7}});
    expectMatrix(a - b, {{-5, -3, -1}, {1, 3, 5}});
    expectMatrix(a * 2.0, {{2, 4, 6}, {8, 10, 12}});

    // 2x3 times 3x2 is 2x2.
    const utMatrix_c c = matrix({{1, 0}, {0, 1}, {1, 1}});
    const utMatrix_c p = a * c;
    ASSERT_EQ(p.m(), 2);
    ASSERT_EQ(p.n(), 2);
    expectMatrix(p, {{4, 5}, {10, 11}});
}

TEST(utMatrixTest, TransposedProductsHaveTheirOwnShapesAndOverwriteTheOutput) {
    const utMatrix_c a = matrix({{1, 2}, {3, 4}, {5, 6}});  // 3x2

    // A-transposed B: B's columns pick rows of A, the last one sums them.
    const utMatrix_c b = matrix({{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}});  // 3x4
    utMatrix_c atb(2, 4);
    for (int i = 0; i < 2; ++i) std::fill(atb[i], atb[i] + 4, 99.0);  // stale contents
    a.trMul(b, atb);
    expectMatrix(atb, {{1, 3, 5, 9}, {2, 4, 6, 12}});

    // A B-transposed: dot products of the rows.
    const utMatrix_c c = matrix({{1, 0}, {0, 1}, {1, 1}, {2, -1}});  // 4x2
    utMatrix_c abt(3, 4);
    for (int i = 0; i < 3; ++i) std::fill(abt[i], abt[i] + 4, -7.0);
    a.mulTr(c, abt);
    expectMatrix(abt, {{1, 2, 3, 0}, {3, 4, 7, 2}, {5, 6, 11, 4}});
}

TEST(utMatrixTest, CopiesAreDeepAndAssignmentKeepsTheSize) {
    const utMatrix_c empty;
    EXPECT_EQ(empty.m(), 0);
    EXPECT_EQ(empty.n(), 0);
    EXPECT_EQ(static_cast<const double* const*>(empty), nullptr);

    utMatrix_c a = matrix({{1, 2}, {3, 4}});
    utMatrix_c copy(a);
    a[0][0] = 10;
    EXPECT_EQ(copy[0][0], 1.0);

    utMatrix_c target(2, 2);
    target = a;
    expectMatrix(target, {{10, 2}, {3, 4}});
    a[1][1] = 40;
    EXPECT_EQ(target[1][1], 4.0);

    // A moved-from matrix is empty, the new one keeps valid rows.
    utMatrix_c moved(std::move(a));
    expectMatrix(moved, {{10, 2}, {3, 40}});
}

TEST(utMatrixTest, ImpossibleSizeLeavesAnEmptyMatrixWithoutThrowing) {
    const utMatrix_c huge(1 << 30, 1 << 30);
    EXPECT_EQ(huge.m(), 0);
    EXPECT_EQ(huge.n(), 0);
    EXPECT_EQ(static_cast<const double* const*>(huge), nullptr);
}

// ---------------------------------------------------------------------------------------------
// utSquireMatrix_c: structure, trace, transposition

TEST(utSquireMatrixTest, TakesTheLeadingSquareBlockOfAMatrix) {
    const utSquireMatrix_c s(matrix({{1, 2, 3}, {4, 5, 6}}));
    ASSERT_EQ(s.n(), 2);
    ASSERT_EQ(s.m(), 2);
    expectMatrix(s, {{1, 2}, {4, 5}});
    EXPECT_EQ(s.spur(), 6.0);
}

TEST(utSquireMatrixTest, StructuralTestsCompareExactly) {
    struct Row {
        const char* name;
        utSquireMatrix_c a;
        bool symmetric, asymmetric, diagonal, identity;
    };
    utSquireMatrix_c eye(3);
    eye.identity();
    const Row rows[] = {
        // 0 == -0 and the diagonal is ignored: diagonal matrices count as skew as well
        {"identity", eye, true, true, true, true},
        {"twice the identity", square({{2, 0}, {0, 2}}), true, true, true, false},
        {"skew, diagonal ignored", square({{5, 1}, {-1, 7}}), false, true, false, false},
        {"zero matrix", square({{0, 0}, {0, 0}}), true, true, true, false},
        {"symmetric", square({{1, 2, 3}, {2, 4, 5}, {3, 5, 6}}), true, false, false, false},
        {"off by a rounding step", square({{1, 0.1 + 0.2}, {0.3, 1}}), false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.a.isSymmetric(), row.symmetric);
        EXPECT_EQ(row.a.isAsymmetric(), row.asymmetric);
        EXPECT_EQ(row.a.isDiagonal(), row.diagonal);
        EXPECT_EQ(row.a.isIdentity(), row.identity);
    }
}

TEST(utSquireMatrixTest, TransposeAndIdentityWorkInPlace) {
    utSquireMatrix_c a = square({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    expectMatrix(a.transpose(), {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}});
    EXPECT_TRUE(a.identity().isIdentity());
}

// ---------------------------------------------------------------------------------------------
// Determinant

TEST(utSquireMatrixTest, DeterminantMatchesCofactorExpansion) {
    struct Row {
        const char* name;
        utSquireMatrix_c a;
        double det;
    };
    const Row rows[] = {
        {"identity", square({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), 1.0},
        {"zero row", square({{1, 2, 3}, {0, 0, 0}, {4, 5, 6}}), 0.0},
        {"one row interchange", square({{0, 1}, {1, 0}}), -1.0},
        {"2x2", square({{1, 2}, {3, 4}}), -2.0},
        // 2 (3*2 - 2*1) - 0 + 1 (1*1 - 3*1)
        {"3x3", square({{2, 0, 1}, {1, 3, 2}, {1, 1, 2}}), 6.0},
        // a cyclic permutation of the rows of diag(2, 3, 4): even, no sign change
        {"cyclic rows", square({{0, 3, 0}, {0, 0, 4}, {2, 0, 0}}), 24.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(row.a.det(), row.det, kTol);
        EXPECT_EQ(row.a.isSingular(), row.det == 0.0);
    }
}

// Regression: a zero pivot used to be replaced by 1e-20, so a singular matrix without a zero row
// reported a tiny non-zero determinant and isSingular() said false.
TEST(utSquireMatrixTest, ZeroPivotMakesTheDeterminantExactlyZero) {
    const utSquireMatrix_c dependentRows = square({{1, 2}, {2, 4}});
    EXPECT_EQ(dependentRows.det(), 0.0);
    EXPECT_TRUE(dependentRows.isSingular());
    const utSquireMatrix_c dependentColumns = square({{1, 1, 0}, {2, 2, 0}, {0, 0, 1}});
    EXPECT_TRUE(dependentColumns.isSingular());
}

// ---------------------------------------------------------------------------------------------
// Inverse

TEST(utSquireMatrixTest, InverseOfInvertibleMatrices) {
    struct Row {
        const char* name;
        utSquireMatrix_c a;
        Rows inverse;
    };
    const Row rows[] = {
        {"diagonal", square({{2, 0}, {0, 4}}), {{0.5, 0}, {0, 0.25}}},
        {"pivots off the diagonal", square({{0, 2}, {1, 0}}), {{0, 1}, {0.5, 0}}},
        {"general 2x2", square({{1, 2}, {3, 4}}), {{-2, 1}, {1.5, -0.5}}},
        // upper triangular with unit diagonal: inverse by back substitution
        {"triangular 3x3",
         square({{1, 2, 3}, {0, 1, 4}, {0, 0, 1}}),
         {{1, -2, 5}, {0, 1, -4}, {0, 0, 1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        utSquireMatrix_c work(row.a);
        EXPECT_TRUE(row.a.inverceMatrix(work));
        expectMatrix(work, row.inverse);
        utSquireMatrix_c self(row.a);
        expectMatrix(self.invert(), row.inverse);
    }
}

TEST(utSquireMatrixTest, InverseReportsSingularAndUnusableMatrices) {
    struct Row {
        const char* name;
        utSquireMatrix_c a;
    };
    const Row rows[] = {
        {"dependent rows", square({{1, 2}, {2, 4}})},
        {"zero matrix", square({{0, 0}, {0, 0}})},
        {"all NaN", square({{kNaN, kNaN}, {kNaN, kNaN}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        utSquireMatrix_c work(row.a);
        EXPECT_FALSE(row.a.inverceMatrix(work));
    }
}

// ---------------------------------------------------------------------------------------------
// Eigen-decomposition

TEST(utSquireMatrixTest, SymmetricEigenSystemKeepsDiagonalOrderWithOrthonormalColumns) {
    const double h = 1 / std::sqrt(2.0);
    const Eigen e = eigen(square({{2, 1}, {1, 2}}));
    ASSERT_TRUE(e.ok);
    EXPECT_NEAR(e.values[0], 1.0, kEigenTol);
    EXPECT_NEAR(e.values[1], 3.0, kEigenTol);
    // (1, -1)/sqrt 2 and (1, 1)/sqrt 2 up to sign, as columns
    EXPECT_NEAR(std::fabs(e.vectors[0][0]), h, kEigenTol);
    EXPECT_NEAR(e.vectors[1][0], -e.vectors[0][0], kEigenTol);
    EXPECT_NEAR(std::fabs(e.vectors[0][1]), h, kEigenTol);
    EXPECT_NEAR(e.vectors[1][1], e.vectors[0][1], kEigenTol);

    // Already diagonal: nothing moves, the values are not sorted.
    const Eigen d = eigen(square({{3, 0}, {0, 1}}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.values, (std::vector<double>{3, 1}));
    EXPECT_TRUE(d.vectors.isIdentity());
}

// The second-difference matrix tridiag(-1, 2, -1) of size n has the eigenvalues
// 2 - 2 cos(k pi / (n + 1)), k = 1..n.
TEST(utSquireMatrixTest, SymmetricSixBySixSolvesTheSecondDifferenceMatrix) {
    const int n = 6;
    utSquireMatrix_c a(n);
    for (int i = 0; i < n; ++i) {
        a[i][i] = 2;
        if (i > 0) a[i][i - 1] = a[i - 1][i] = -1;
    }
    const Eigen e = eigen(a);
    ASSERT_TRUE(e.ok);
    const std::vector<double> values = sorted(e.values);
    for (int k = 1; k <= n; ++k) {
        EXPECT_NEAR(values[k - 1], 2 - 2 * std::cos(k * std::acos(-1.0) / (n + 1)), kEigenTol);
    }
    for (int c = 0; c < n; ++c) {
        SCOPED_TRACE(c);
        EXPECT_LT(residual(a, e, c), kQlResidualTol);
        for (int d = 0; d < n; ++d) {
            double dot = 0;
            for (int r = 0; r < n; ++r) dot += e.vectors[r][c] * e.vectors[r][d];
            EXPECT_NEAR(dot, c == d ? 1.0 : 0.0, kEigenTol);
        }
    }
}

TEST(utSquireMatrixTest, NonSymmetricRealEigenSystemsGiveUnitRightEigenvectors) {
    struct Row {
        const char* name;
        utSquireMatrix_c a;
        std::vector<double> values;  // sorted
    };
    const Row rows[] = {
        {"triangular", square({{2, 1}, {0, 3}}), {2, 3}},
        // det(A - l I) = (2 - l)(1 - l)(3 - l), expanding along the last column
        {"3x3", square({{1, 2, 0}, {0, 3, 0}, {2, -4, 2}}), {1, 2, 3}},
        // companion matrix of (x - 1)(x - 2)...(x - 6) = x^6 - 21x^5 + 175x^4 - 735x^3
        // + 1624x^2 - 1764x + 720
        {"6x6 companion",
         square({{21, -175, 735, -1624, 1764, -720},
                 {1, 0, 0, 0, 0, 0},
                 {0, 1, 0, 0, 0, 0},
                 {0, 0, 1, 0, 0, 0},
                 {0, 0, 0, 1, 0, 0},
                 {0, 0, 0, 0, 1, 0}}),
         {1, 2, 3, 4, 5, 6}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.a.isSymmetric());
        const Eigen e = eigen(row.a);
        ASSERT_TRUE(e.ok);
        const std::vector<double> values = sorted(e.values);
        for (size_t k = 0; k < values.size(); ++k) EXPECT_NEAR(values[k], row.values[k], 1e-7);
        for (int c = 0; c < row.a.n(); ++c) {
            EXPECT_NEAR(columnNorm(e.vectors, c), 1.0, kEigenTol);
            EXPECT_LT(residual(row.a, e, c), 1e-7);
        }
    }
}

// 1 +- 2i: only the real parts are returned, and the two columns are the real and imaginary
// parts of the eigenvector of 1 + 2i (the positive imaginary part comes first). From
// A (x + i y) = (1 + 2i)(x + i y): A x = x - 2 y and A y = 2 x + y.
TEST(utSquireMatrixTest, ComplexPairKeepsRealPartsAndPackedColumns) {
    const utSquireMatrix_c a = square({{1, -2}, {2, 1}});
    const Eigen e = eigen(a);
    ASSERT_TRUE(e.ok);
    EXPECT_NEAR(e.values[0], 1.0, kEigenTol);
    EXPECT_NEAR(e.values[1], 1.0, kEigenTol);
    const double x[2] = {e.vectors[0][0], e.vectors[1][0]};
    const double y[2] = {e.vectors[0][1], e.vectors[1][1]};
    for (int r = 0; r < 2; ++r) {
        SCOPED_TRACE(r);
        EXPECT_NEAR(a[r][0] * x[0] + a[r][1] * x[1], x[r] - 2 * y[r], kEigenTol);
        EXPECT_NEAR(a[r][0] * y[0] + a[r][1] * y[1], 2 * x[r] + y[r], kEigenTol);
    }
    // The complex vector has Euclidean norm 1.
    EXPECT_NEAR(x[0] * x[0] + x[1] * x[1] + y[0] * y[0] + y[1] * y[1], 1.0, kEigenTol);
}

TEST(utSquireMatrixTest, EigenSystemFailsOnNonFiniteElements) {
    struct Row {
        const char* name;
        utSquireMatrix_c a;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {"NaN on the diagonal of a symmetric matrix", square({{kNaN, 1}, {1, 2}})},
        {"NaN in a general matrix", square({{1, kNaN}, {0, 2}})},
        {"infinity", square({{1, inf}, {0, 2}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(eigen(row.a).ok);
    }
}

TEST(utSquireMatrixTest, EmptyMatrixHasAnEmptyEigenSystem) {
    const utSquireMatrix_c empty;
    EXPECT_TRUE(empty.eigenSystem(nullptr, nullptr));
}
