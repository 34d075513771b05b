// Strict text-to-number conversions in the C locale, in the framework's
// manner: the whole text must be the number, else EConvertError
// ("'abc' is not a valid floating point value", "'x' is not a valid integer
// value").
//   float:   optional blanks, sign, digits with an optional '.', optional
//            exponent (e or E, sign, digits), optional blanks.
//   integer: optional leading blanks, sign, decimal digits or hexadecimal
//            digits after '$' or 0x; the value must fit 32 bits.
#pragma once

#include <QString>
#include <string_view>

#include "platform/Errors.h"

namespace vorlantic::platform {

double StrToFloat(std::string_view text);
double StrToFloat(const QString& text);
double StrToFloat(const char* text);

int StrToInt(std::string_view text);
int StrToInt(const QString& text);
int StrToInt(const char* text);

// The same conversions returning fallback in place of the error.
double StrToFloatDef(std::string_view text, double fallback);
double StrToFloatDef(const QString& text, double fallback);
double StrToFloatDef(const char* text, double fallback);
int StrToIntDef(std::string_view text, int fallback);
int StrToIntDef(const QString& text, int fallback);
int StrToIntDef(const char* text, int fallback);

// Parses without throwing; false when the text is not a number of the kind.
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToInt(std::string_view text, int& value);

}  // namespace vorlantic::platform
