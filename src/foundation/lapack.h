#pragma once

#include <cstddef>

// The LAPACK routines the library calls, bound by hand to the reference Fortran library
// (liblapack3): 32-bit INTEGERs, every argument by reference, and the lengths of the CHARACTER
// arguments appended by value as size_t, as gfortran passes them.
extern "C" {

// Eigenvalues (wr + i wi) and optionally left/right eigenvectors of a general real matrix, which
// is overwritten. lwork = -1 only writes the optimal workspace size to work[0]. info: 0 success,
// -k argument k was illegal, > 0 the QR iteration failed to converge.
void dgeev_(const char* jobvl, const char* jobvr, const int* n, double* a, const int* lda,
            double* wr, double* wi, double* vl, const int* ldvl, double* vr, const int* ldvr,
            double* work, const int* lwork, int* info, std::size_t jobvlLength,
            std::size_t jobvrLength);
}
