#pragma once
// Numbers in texts (INI values, profile fields, skin fields), read and written the same way
// whatever the user's locale says. Every reader is a prefix reader: it takes what fits at the
// start of the text and ignores the rest.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Removes leading and trailing characters whose code is 32 or less (blanks and control
// characters; other white space such as U+00A0 stays).
QString TrimBlanks(QStringView text);

// The number formed by the leading decimal digits of the text, after an optional sign; nothing
// when there are no digits. No blanks are skipped. Values beyond the 32-bit range saturate.
std::optional<int32_t> ReadIntegerPrefix(QStringView text);

// As ReadIntegerPrefix, with 0 when there are no digits: "320x240" gives 320, "x" gives 0.
int32_t IntegerValue(QStringView text);

// A decimal number at the start of the text: optional leading white space, optional sign,
// digits with an optional decimal point and fraction, optional exponent. Reading stops at the
// first character that does not fit; 0 when nothing fits. "44.1 kHz" gives 44.1; "inf", "nan"
// and hexadecimal forms are not numbers here. Out-of-range values give infinity or 0.
double DecimalValue(QStringView text);

// The shortest general decimal form of v with at most max_digits significant digits, no
// trailing zeros and no decimal point for whole numbers: 44100 for 44100.0f, 29.97, 1e+20.
QString DecimalText(double v, int max_digits = 15);
