#include <gtest/gtest.h>

#include <QLocale>

#include "util/failure.h"
#include "util/numbers.h"

namespace {

QString failureOf(const QString& text) {
    try {
        TextToInteger16(text);
    } catch (const Failure& failure) {
        return failure.description();
    }
    return QStringLiteral("no failure");
}

// Sets the default locale for one test and puts the old one back.
class LocaleScope {
  public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

  private:
    QLocale saved_ = QLocale();
};

}  // namespace

TEST(Numbers, RoundsHalvesToEven) {
    EXPECT_EQ(TextToInteger16(QStringLiteral("12.5")), 12);
    EXPECT_EQ(TextToInteger16(QStringLiteral("13.5")), 14);
    EXPECT_EQ(TextToInteger16(QStringLiteral("-2.5")), -2);
    EXPECT_EQ(TextToInteger16(QStringLiteral("0.5")), 0);
    EXPECT_EQ(TextToInteger16(QStringLiteral("2.51")), 3);
    EXPECT_EQ(TextToInteger16(QStringLiteral(" 25 ")), 25);
    EXPECT_EQ(TextToInteger16(QStringLiteral("+7")), 7);
    EXPECT_EQ(TextToInteger16(QStringLiteral(".75")), 1);
    EXPECT_EQ(TextToInteger16(QStringLiteral("3e1")), 30);
}

TEST(Numbers, RefusesTextThatIsNotANumber) {
    for (const char* text :
         {"", " ", "abc", "1.2.3", "12fps", "0x10", "inf", "nan", ".", "-", "1e"})
        EXPECT_EQ(failureOf(QString::fromLatin1(text)), QStringLiteral("Type mismatch")) << text;
}

TEST(Numbers, OverflowsPastSixteenBits) {
    EXPECT_EQ(TextToInteger16(QStringLiteral("32767")), 32767);
    EXPECT_EQ(TextToInteger16(QStringLiteral("-32768")), -32768);
    EXPECT_EQ(TextToInteger16(QStringLiteral("-32768.5")), -32768);
    EXPECT_EQ(failureOf(QStringLiteral("32767.5")), QStringLiteral("Overflow"));
    EXPECT_EQ(failureOf(QStringLiteral("32768")), QStringLiteral("Overflow"));
    EXPECT_EQ(failureOf(QStringLiteral("-32769")), QStringLiteral("Overflow"));
    EXPECT_EQ(failureOf(QStringLiteral("1e400")), QStringLiteral("Overflow"));
    EXPECT_EQ(TextToInteger16(QStringLiteral("1e-400")), 0);
}

TEST(Numbers, TakesTheLocaleDecimalSeparatorToo) {
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TextToInteger16(QStringLiteral("12,5")), 12);
    EXPECT_EQ(TextToInteger16(QStringLiteral("13.5")), 14);
    EXPECT_TRUE(IsNumeric(QStringLiteral("0,5")));
    EXPECT_FALSE(IsNumeric(QStringLiteral("1.000,5")));
}

TEST(Numbers, IsNumericAcceptsWhatConvertsAndOverflowingNumbers) {
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_FALSE(IsNumeric(QString()));
    EXPECT_FALSE(IsNumeric(QStringLiteral("ten")));
    EXPECT_FALSE(IsNumeric(QStringLiteral("12,5")));  // not the separator of the C locale
    EXPECT_TRUE(IsNumeric(QStringLiteral("10")));
    EXPECT_TRUE(IsNumeric(QStringLiteral("-3")));
    EXPECT_TRUE(IsNumeric(QStringLiteral("0.25")));
    EXPECT_TRUE(IsNumeric(QStringLiteral("99999")));
}
