#pragma once

#include <QString>
#include <optional>

// A plain decimal number: surrounding spaces, a sign, digits with at most one
// decimal separator (a point, or the locale's) and an optional exponent.
// Hexadecimal, group separators, "inf" and "nan" are not numbers.
std::optional<double> ParseNumber(const QString& text);

// Text to a 16-bit integer as the frame-rate box converts it: rounded to the
// nearest, halves to even; a point or the locale's decimal separator.
// Throws Failure("Type mismatch") for text that is not a number, empty text
// included, and Failure("Overflow") outside -32768..32767.
qint16 TextToInteger16(const QString& text);

// True when TextToInteger16 would see a number (it may still overflow).
bool IsNumeric(const QString& text);
// True when TextToInteger16 would convert it without failing.
bool IsInteger16(const QString& text);
