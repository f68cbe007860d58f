#pragma once
// The small dense-matrix toolkit of the PCA engine: copy, transpose,
// product and the inverse by Gauss-Jordan elimination. A matrix is an
// aadouble of rows; its column count is the length of row 0. Each operation
// writes its result into a caller-supplied output only when it succeeds,
// so the output may be one of the inputs.
#include "core/common/Types.h"

namespace sorrel {

// A deep copy, row by row; rows of differing lengths are kept as they are.
void CopyMatrix(const aadouble& A, aadouble& out);

// out[j][i] = A[i][j]. An empty A gives an empty result; a ragged A (a row
// shorter or longer than row 0) throws SorrelError.
void TransposeMatrix(const aadouble& A, aadouble& out);

// C = A times B. When the shapes do not agree (or either matrix is empty)
// the message "Wrong matrix dim" is shown, C is left as it was and the
// answer is false: the caller goes on.
bool MultiplyMatrix(const aadouble& A, const aadouble& B, aadouble& C);

// The inverse of the square matrix A by Gauss-Jordan elimination with full
// pivoting. A singular matrix throws MathError with "pause 1 in GAUSSJ -
// singular matrix" or "pause 2 in GAUSSJ - singular matrix"; an inverse too
// large for a double throws MathError. On error `out` is untouched.
void GaussJ(const aadouble& A, aadouble& out);

}  // namespace sorrel
