#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>

namespace qvx {

// Value of the longest leading part of the text that forms a number. Blanks, tabs and line
// feeds anywhere are ignored; an optional sign, digits, an optional "." with digits and an
// optional exponent (E or D, optional sign, digits); "&H" / "&O" read hexadecimal / octal
// digits. No such leading part (the empty text included) gives 0. The result may be
// infinite for huge exponents; it is never NaN.
double numericValue(const QString &text);

// True when the whole text, blanks before and after allowed, is one number: optional sign,
// digits with at most one decimal point, optional exponent (E, optional sign, digits).
bool isNumericText(const QString &text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// numericValue rounded and fitted into a 16-bit octet field. A value that does not fit
// (huge or infinite) stores 32767 or -32768, which every later range check refuses.
qint16 octetFieldValue(const QString &text);
// numericValue rounded and fitted into a 32-bit port or timeout field; a value that does not
// fit stores INT32_MAX or INT32_MIN, which every later range check refuses.
qint32 wordFieldValue(const QString &text);

// The rounded value of a numeric text as a whole number, when it fits in 64 bits.
// Nothing for a text that fails isNumericText or is out of range.
std::optional<qint64> wholeNumber(const QString &text);

// Value of the first `digits` (1..4) characters read as hexadecimal (either case), or
// 65536 when the text is shorter or one of them is not a hexadecimal digit. Any other
// digit count gives 0.
qint32 hexPairToByte(const QString &text, int digits);

} // namespace qvx
