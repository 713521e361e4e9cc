#include "util/numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <optional>

#include "util/failure.h"

std::optional<double> ParseNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    QString normalised = text.trimmed();
    const QString separator = QLocale().decimalPoint();
    if (separator != QLatin1String(".") && !normalised.contains(u'.'))
        normalised.replace(separator, QStringLiteral("."));
    if (!number.match(normalised).hasMatch()) return std::nullopt;
    if (normalised.startsWith(u'+')) normalised.remove(0, 1);
    // from_chars ignores the C locale's decimal point; a value past the double
    // range is still a number, one that overflows.
    const QByteArray bytes = normalised.toLatin1();
    double value = 0;
    const auto [end, error] =
        std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (bytes.toLower().contains("e-")) return 0.0;
        return bytes.startsWith('-') ? -HUGE_VAL : HUGE_VAL;
    }
    if (error != std::errc() || end != bytes.constData() + bytes.size()) return std::nullopt;
    return value;
}

qint16 TextToInteger16(const QString& text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value) throw Failure(QStringLiteral("Type mismatch"));
    // rint rounds halves to even in the default rounding mode.
    const double rounded = std::rint(*value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) throw Failure(QStringLiteral("Overflow"));
    return static_cast<qint16>(rounded);
}

bool IsNumeric(const QString& text) {
    return ParseNumber(text).has_value();
}

bool IsInteger16(const QString& text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value) return false;
    const double rounded = std::rint(*value);
    return rounded >= -32768.0 && rounded <= 32767.0;
}
