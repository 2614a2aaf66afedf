// libFuzzer target for the locale-free number reader and writer.
//
// The input is read as UTF-8 text by every reader; the integer and decimal readers are compared
// with the C library's own reading in the "C" locale, and every decimal read and every double
// formed from the raw input bytes must come back unchanged from its shortest text.

#include "FuzzCheck.h"
#include "common/NumberText.h"

#include <QString>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <locale.h>
#include <string>

namespace {

using fuzz::Check;

bool Blank(QChar c) {
    return c.unicode() <= 0x20;
}

void CheckTrim(const QString &text) {
    const QString t = TrimBlanks(text);
    Check(t.isEmpty() || (!Blank(t.front()) && !Blank(t.back())), "trim left a blank");
    Check(text.contains(t), "trim is not a part of the text");
    Check(TrimBlanks(t) == t, "trim twice differs");
}

// What the text's leading sign and digits mean, saturated to 32 bits.
void CheckInteger(const QString &text) {
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    long long value = 0;
    bool digits = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        digits = true;
        value = std::min<long long>(value * 10 + (text[pos].unicode() - '0'), 1LL << 40);
    }
    if (negative)
        value = -value;
    value = std::clamp<long long>(value, INT32_MIN, INT32_MAX);
    const std::optional<int32_t> read = ReadIntegerPrefix(text);
    Check(read.has_value() == digits, "integer prefix found or not");
    if (digits)
        Check(*read == value, "integer prefix value");
    Check(IntegerValue(text) == (digits ? value : 0), "integer value");
}

// The decimal reader against strtod in the "C" locale, for texts whose number starts with a digit
// or a point (strtod also reads "inf", "nan" and hexadecimal forms, which are not numbers here).
void CheckDecimal(const QString &text, double read) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    qsizetype pos = 0;
    while (pos < text.size() && (text[pos].isSpace() || Blank(text[pos])))
        ++pos;
    std::string rest;
    for (qsizetype i = pos; i < text.size(); ++i)
        rest.push_back(text[i].unicode() < 0x80 ? static_cast<char>(text[i].unicode()) : '\x7f');
    size_t body = rest.empty() || (rest[0] != '+' && rest[0] != '-') ? 0 : 1;
    if (body >= rest.size() || rest[0] == ' ')
        return;
    const char first = rest[body];
    const bool hex = first == '0' && body + 1 < rest.size() && (rest[body + 1] | 0x20) == 'x';
    if (!((first >= '0' && first <= '9') || first == '.') || hex)
        return;
    errno = 0;
    const double expected = strtod_l(rest.c_str(), nullptr, c_locale);
    if (errno == ERANGE && std::fabs(expected) < 1)
        return; // underflow: strtod may give a subnormal where the reader gives 0
    Check(read == expected || (std::isnan(read) && std::isnan(expected)), "decimal value");
}

void CheckRoundTrip(double v) {
    if (!std::isfinite(v))
        return;
    const QString exact = DecimalText(v, 17);
    Check(DecimalValue(exact) == v, "17 digits do not read back");
    Check(!exact.contains(QLatin1Char(',')), "decimal comma");
    const QString shortest = DecimalText(v);
    int digits = 0; // from the first non-zero digit to the end of the mantissa
    for (QChar c : shortest) {
        if (c == 'e')
            break;
        if (c >= '1' && c <= '9')
            ++digits;
        else if (c == '0' && digits > 0)
            ++digits;
    }
    Check(digits <= 15, "more than 15 significant digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    CheckTrim(text);
    CheckInteger(text);
    const double read = DecimalValue(text);
    CheckDecimal(text, read);
    CheckRoundTrip(read);
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        CheckRoundTrip(raw);
        (void)DecimalText(raw, static_cast<int>(data[size - 1]) - 100);
    }
    return 0;
}
