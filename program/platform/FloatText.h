// Number-to-text conversions of the program that stay in the C locale
// whatever the user's locale: the decimal separator is always '.'.
#pragma once

#include <QString>

#include <string>

namespace vorlantic::platform {

// General format: the value rounded to 15 significant digits, trailing zeros
// and a bare decimal point dropped; fixed-point while the value has at most
// 15 integer digits and a magnitude of at least 1e-5, else d.dddE<exponent>
// ("30", "2.5", "1E20", "1.5E-7"; "NAN", "INF", "-INF").
std::string FloatToStr(double value);
// The same text as a QString, for the controls.
QString FloatToQString(double value);

}  // namespace vorlantic::platform
