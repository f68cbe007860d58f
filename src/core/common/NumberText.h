#pragma once
// Locale-independent number texts. Every number the system writes or reads
// as text goes through here, with "." as the decimal separator whatever the
// user's locale says.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorrel {

// General format: `precision` significant digits, trailing zeros removed;
// fixed notation unless the value needs more than `precision` digits before
// the decimal point or is below 0.0001 in magnitude, then scientific
// notation "d.dddE-xxx" whose exponent has at least `minExpDigits` digits
// and a sign only when negative.
std::string FormatGeneral(double x, int precision, int minExpDigits = 0);

// Labels, marks and grid cells: 7 significant digits, exponent of at least
// three digits.
std::string FormatValue(double x);

// The 15-significant-digit general format of INI values, text spectra and
// data copies.
std::string FloatToStr(double x);

// Fixed format with `decimals` decimals (rounded half away from zero on the
// exact binary value, as printf does, but without the locale).
std::string FormatFixed(double x, int decimals);

// Shortest text that reads back to the same double (JSON output).
std::string ShortestRoundTrip(double x);
// Shortest text that reads back to the same 32-bit float: a spectrum's
// 6.57 is "6.57", not the "6.570000171661377" of the widened double.
std::string ShortestRoundTripFloat(float x);

// The number syntax of text spectra and INI values: optional leading
// blanks, an optional sign, digits with an optional "." and fraction
// digits, an optional exponent ("E" or "e", optional sign, digits), and
// nothing after it. A value too large for a double is not a number; one too
// small becomes zero.
std::optional<double> ParseNumber(std::string_view text);

// As ParseNumber, but the value must also fit a 32-bit float (spectrum
// points are 32-bit floats; an overflowing number is a bad number).
std::optional<float> ParseFloat32(std::string_view text);

// A decimal whole number (optional blanks around it, optional sign) that
// fits 32 bits.
std::optional<int32_t> ParseInt32(std::string_view text);

// Removes blanks and control characters (code 32 and below) at both ends.
std::string_view TrimBlanks(std::string_view text);

}  // namespace sorrel
