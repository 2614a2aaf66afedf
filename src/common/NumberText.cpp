#include "common/NumberText.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

QString TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin).toString();
}

namespace {

bool IsDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Appends the ASCII digits starting at pos to out; returns the position after them.
qsizetype TakeDigits(QStringView text, qsizetype pos, std::string &out) {
    while (pos < text.size() && IsDigit(text[pos])) {
        out.push_back(static_cast<char>(text[pos].unicode()));
        ++pos;
    }
    return pos;
}

// For a decimal text out of the range of double: true when it is too large (infinity), false
// when it is too small (0). The order of magnitude is the place of the first non-zero digit
// relative to the decimal point, moved by the exponent.
bool OverflowsUpward(const std::string &number) {
    const std::size_t e = number.find('e');
    const std::string mantissa = number.substr(0, e);
    const std::size_t point = mantissa.find('.');
    const long long integer_digits =
        static_cast<long long>(point == std::string::npos ? mantissa.size() : point);
    long long first_nonzero = 0;
    for (char c : mantissa) {
        if (c == '.')
            continue;
        if (c != '0')
            break;
        ++first_nonzero;
    }
    long long exponent = 0;
    if (e != std::string::npos) {
        const char *begin = number.data() + e + 1;
        const char *end = number.data() + number.size();
        if (begin != end && *begin == '+')
            ++begin;
        const auto [rest, error] = std::from_chars(begin, end, exponent);
        (void)rest;
        if (error == std::errc::result_out_of_range)
            return *begin != '-';
    }
    // value = 0.d... x 10^(magnitude + exponent); magnitude is small, so the comparison below
    // cannot overflow.
    const long long magnitude = integer_digits - first_nonzero;
    return exponent > -magnitude;
}

} // namespace

std::optional<int32_t> ReadIntegerPrefix(QStringView text) {
    std::string number;
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    if (negative)
        number.push_back('-');
    const std::size_t sign_length = number.size();
    TakeDigits(text, pos, number);
    if (number.size() == sign_length)
        return std::nullopt;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return negative ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    if (error != std::errc())
        return std::nullopt;
    return value;
}

int32_t IntegerValue(QStringView text) {
    return ReadIntegerPrefix(text).value_or(0);
}

double DecimalValue(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && (text[pos].isSpace() || text[pos].unicode() <= 0x20))
        ++pos;
    std::string number;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    const qsizetype mantissa_start = pos;
    pos = TakeDigits(text, pos, number);
    bool any_digit = pos > mantissa_start;
    if (pos < text.size() && text[pos] == QLatin1Char('.')) {
        std::string fraction;
        const qsizetype after = TakeDigits(text, pos + 1, fraction);
        if (any_digit || !fraction.empty()) {
            number += '.';
            number += fraction;
            pos = after;
            any_digit = any_digit || !fraction.empty();
        }
    }
    if (!any_digit)
        return 0.0;
    // An exponent counts only when digits follow its letter and optional sign.
    if (pos < text.size() && (text[pos] == QLatin1Char('e') || text[pos] == QLatin1Char('E'))) {
        qsizetype p = pos + 1;
        std::string exponent = "e";
        if (p < text.size() && (text[p] == QLatin1Char('+') || text[p] == QLatin1Char('-'))) {
            exponent.push_back(static_cast<char>(text[p].unicode()));
            ++p;
        }
        const std::size_t before = exponent.size();
        TakeDigits(text, p, exponent);
        if (exponent.size() > before)
            number += exponent;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = OverflowsUpward(number) ? std::numeric_limits<double>::infinity() : 0.0;
    else if (error != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

QString DecimalText(double v, int max_digits) {
    if (max_digits < 1)
        max_digits = 1;
    if (max_digits > 17)
        max_digits = 17;
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, max_digits);
    if (error != std::errc())
        return QString();
    return QString::fromLatin1(buffer, end - buffer);
}
