#include "common/NumberText.h"

#include <gtest/gtest.h>
#include <limits>

TEST(TrimBlanks, RemovesCodesUpTo32OnlyAtBothEnds) {
    EXPECT_EQ(TrimBlanks(u" \t\r\n\x01 a b \x1f"), QStringLiteral("a b"));
    EXPECT_EQ(TrimBlanks(u"   "), QString());
    // Other white space is text, not a blank.
    EXPECT_EQ(TrimBlanks(u"\u00a0x\u00a0"), QStringLiteral("\u00a0x\u00a0"));
}

TEST(ReadIntegerPrefix, TakesLeadingDigitsAfterOptionalSign) {
    EXPECT_EQ(ReadIntegerPrefix(u"320x240"), 320);
    EXPECT_EQ(ReadIntegerPrefix(u"-12abc"), -12);
    EXPECT_EQ(ReadIntegerPrefix(u"+7"), 7);
    EXPECT_EQ(ReadIntegerPrefix(u"007"), 7);
    EXPECT_EQ(ReadIntegerPrefix(u"x12"), std::nullopt);
    EXPECT_EQ(ReadIntegerPrefix(u"-"), std::nullopt);
    EXPECT_EQ(ReadIntegerPrefix(u""), std::nullopt);
    EXPECT_EQ(ReadIntegerPrefix(u" 5"), std::nullopt) << "blanks are the caller's to trim";
    EXPECT_EQ(ReadIntegerPrefix(u"--5"), std::nullopt);
    EXPECT_EQ(IntegerValue(u"abc"), 0);
}

TEST(ReadIntegerPrefix, SaturatesAtThe32BitLimits) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(ReadIntegerPrefix(u"2147483647"), kMax);
    EXPECT_EQ(ReadIntegerPrefix(u"2147483648"), kMax);
    EXPECT_EQ(ReadIntegerPrefix(u"99999999999999999999999"), kMax);
    EXPECT_EQ(ReadIntegerPrefix(u"-2147483648"), kMin);
    EXPECT_EQ(ReadIntegerPrefix(u"-2147483649"), kMin);
}

TEST(DecimalValue, ReadsTheLongestDecimalPrefix) {
    EXPECT_DOUBLE_EQ(DecimalValue(u"44.1"), 44.1);
    EXPECT_DOUBLE_EQ(DecimalValue(u"  22.05 khps"), 22.05);
    EXPECT_DOUBLE_EQ(DecimalValue(u"8"), 8.0);
    EXPECT_DOUBLE_EQ(DecimalValue(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(DecimalValue(u"5."), 5.0);
    EXPECT_DOUBLE_EQ(DecimalValue(u"-2.5"), -2.5);
    EXPECT_DOUBLE_EQ(DecimalValue(u"+3"), 3.0);
    EXPECT_DOUBLE_EQ(DecimalValue(u"1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(DecimalValue(u"2.5E-1x"), 0.25);
    // An exponent letter without digits is where the number ends.
    EXPECT_DOUBLE_EQ(DecimalValue(u"1e"), 1.0);
    EXPECT_DOUBLE_EQ(DecimalValue(u"1e+k"), 1.0);
    // A comma is never a decimal separator.
    EXPECT_DOUBLE_EQ(DecimalValue(u"44,1"), 44.0);
}

TEST(DecimalValue, NothingThatFitsGivesZero) {
    for (const char16_t *text :
         {u"", u"abc", u".", u"-", u"+.", u"e5", u"inf", u"nan", u"infinity", u"0x10"}) {
        EXPECT_EQ(DecimalValue(text), 0.0) << QString::fromUtf16(text).toStdString();
    }
}

TEST(DecimalValue, OutOfRangeGivesInfinityOrZero) {
    EXPECT_EQ(DecimalValue(u"1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(DecimalValue(u"-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(DecimalValue(u"1e-400"), 0.0);
    EXPECT_EQ(DecimalValue(u"1e99999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(DecimalValue(u"1e-99999999999999999999"), 0.0);
    // A long run of zeros after the point is a tiny number, not a huge one.
    const QString tiny =
        QStringLiteral("0.") + QString(400, QLatin1Char('0')) + QStringLiteral("1");
    EXPECT_EQ(DecimalValue(tiny), 0.0);
    const QString huge = QStringLiteral("1") + QString(400, QLatin1Char('0'));
    EXPECT_EQ(DecimalValue(huge), std::numeric_limits<double>::infinity());
    // 400 digits before the point and an exponent that brings it back into range.
    EXPECT_DOUBLE_EQ(DecimalValue(huge + QStringLiteral("e-398")), 100.0);
}

TEST(DecimalText, ShortestGeneralFormWithAtMost15Digits) {
    // The sampling rate of a profile: kHz text times 1000, held in single precision.
    EXPECT_EQ(DecimalText(static_cast<float>(DecimalValue(u"44.1") * 1000)), "44100");
    EXPECT_EQ(DecimalText(static_cast<float>(DecimalValue(u"22.05") * 1000)), "22050");
    EXPECT_EQ(DecimalText(static_cast<float>(DecimalValue(u"8") * 1000)), "8000");
    EXPECT_EQ(DecimalText(29.97), "29.97");
    EXPECT_EQ(DecimalText(0.1 + 0.2), "0.3");
    EXPECT_EQ(DecimalText(-0.5), "-0.5");
    EXPECT_EQ(DecimalText(1e20), "1e+20");
    EXPECT_EQ(DecimalText(123456.0, 3), "1.23e+05");
}
