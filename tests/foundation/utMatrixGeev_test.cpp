// The general eigen-solver's side of the LAPACK call, against a scripted dgeev_ that this test
// program defines in place of the library's: the arguments it passes, how it reads the results,
// and how it reacts to failures and odd workspace answers that the real routine rarely gives.
#include <gtest/gtest.h>
#include <vemora.h>

#include <cstddef>
#include <limits>
#include <vector>

using namespace Vemora;

namespace {

struct GeevCall {
    char jobvl, jobvr;
    int n, lda, ldvl, ldvr, lwork;
};

struct GeevScript {
    int queryInfo = 0;
    double queryWork = 0;  // the optimal size reported by the workspace query
    int info = 0;
    std::vector<GeevCall> calls;
};

GeevScript& script() {
    static GeevScript s;
    return s;
}

utSquireMatrix_c nonSymmetric(int n) {
    utSquireMatrix_c a(n);
    for (int i = 0; i < n; ++i) a[i][i] = i + 1;
    a[0][n - 1] = 1;
    return a;
}

}  // namespace

extern "C" void dgeev_(const char* jobvl, const char* jobvr, const int* n, double*, const int* lda,
                       double* wr, double* wi, double*, const int* ldvl, double* vr,
                       const int* ldvr, double* work, const int* lwork, int* info, std::size_t,
                       std::size_t) {
    GeevScript& s = script();
    s.calls.push_back({*jobvl, *jobvr, *n, *lda, *ldvl, *ldvr, *lwork});
    if (*lwork == -1) {
        work[0] = s.queryWork;
        *info = s.queryInfo;
        return;
    }
    // Results with a recognisable layout: VR(r, c) = 10 r + c, column-major.
    for (int k = 0; k < *n; ++k) {
        wr[k] = k + 1;
        wi[k] = 0;
        for (int r = 0; r < *n; ++r) vr[r + k * *ldvr] = 10 * r + k;
    }
    *info = s.info;
}

TEST(utSquireMatrixTest, GeneralSolverPassesLapackItsArgumentsAndReadsColumnMajorResults) {
    script() = GeevScript();
    const int n = 3;
    double values[n] = {};
    utSquireMatrix_c vectors(n);
    ASSERT_TRUE(nonSymmetric(n).eigenSystem(values, vectors));

    ASSERT_EQ(script().calls.size(), 2u);
    EXPECT_EQ(script().calls[0].lwork, -1);  // the workspace query comes first
    const GeevCall& call = script().calls[1];
    EXPECT_EQ(call.jobvl, 'N');
    EXPECT_EQ(call.jobvr, 'V');
    EXPECT_EQ(call.n, n);
    EXPECT_EQ(call.lda, n);
    EXPECT_EQ(call.ldvl, 1);
    EXPECT_EQ(call.ldvr, n);
    EXPECT_EQ(call.lwork, n + 500);

    for (int r = 0; r < n; ++r) {
        EXPECT_EQ(values[r], r + 1.0);
        for (int c = 0; c < n; ++c) EXPECT_EQ(vectors[r][c], 10.0 * r + c);
    }
}

// Regression: the result code of dgeev used to be ignored, so a QR iteration that did not
// converge came back as a successful decomposition with unset eigenvectors.
TEST(utSquireMatrixTest, GeneralSolverFailsWhenLapackReportsAnError) {
    struct Row {
        const char* name;
        int info;
    };
    const Row rows[] = {{"no convergence", 2}, {"illegal argument", -4}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        script() = GeevScript();
        script().info = row.info;
        double values[3] = {};
        utSquireMatrix_c vectors(3);
        EXPECT_FALSE(nonSymmetric(3).eigenSystem(values, vectors));
    }
}

TEST(utSquireMatrixTest, WorkspaceQueryIsTrustedOnlyWithinBounds) {
    struct Row {
        const char* name;
        int n;
        int queryInfo;
        double queryWork;
        int lwork;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Row rows[] = {
        {"smaller than the minimum", 3, 0, 12, 503},
        {"sane and larger", 3, 0, 600.5, 601},
        {"not a number", 3, 0, nan, 503},
        {"absurdly large", 3, 0, 1e300, 503},
        {"negative", 3, 0, -1, 503},
        {"query rejected", 3, -13, 600, 503},
        // 4n exceeds n + 500 from n = 167 on
        {"large matrix", 200, 0, 0, 800},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        script() = GeevScript();
        script().queryInfo = row.queryInfo;
        script().queryWork = row.queryWork;
        std::vector<double> values(row.n);
        utSquireMatrix_c vectors(row.n);
        EXPECT_TRUE(nonSymmetric(row.n).eigenSystem(values.data(), vectors));
        ASSERT_EQ(script().calls.size(), 2u);
        EXPECT_EQ(script().calls[1].lwork, row.lwork);
    }
}
