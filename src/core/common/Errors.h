#pragma once
// The project's exceptions. An operation that cannot go on throws one of
// these with the message the user sees; the caller (a frame, the main
// window, the command line) reports it.
#include <cmath>
#include <stdexcept>
#include <string>

namespace sorrel {

// An error carrying a message text.
class SorrelError : public std::runtime_error {
 public:
  explicit SorrelError(const std::string& message) : std::runtime_error(message) {}
};

// An arithmetic fault: division by zero, an invalid operation or an
// overflow. The numerical code throws it instead of letting an infinity or
// a NaN through.
class MathError : public SorrelError {
 public:
  explicit MathError(const std::string& message) : SorrelError(message) {}
};

// Throws MathError with `what` when `x` is not finite; returns x otherwise.
inline double CheckFinite(double x, const char* what) {
  if (!std::isfinite(x))
    throw MathError(std::string("Floating point overflow or invalid operation in ") + what);
  return x;
}

// A 32-bit sum or product that left the float range is an overflow.
inline float CheckFiniteF(float x, const char* what) {
  if (!std::isfinite(x)) throw MathError(std::string("Floating point overflow in ") + what);
  return x;
}

// Division that reports a zero divisor (or a non-finite quotient) as an
// arithmetic fault instead of producing an infinity.
inline double SafeDiv(double num, double den, const char* what) {
  if (den == 0.0) throw MathError(std::string("Division by zero in ") + what);
  return CheckFinite(num / den, what);
}

}  // namespace sorrel
