#include "common/textutil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include <QDir>
#include <QFileInfo>

namespace transcast
{

QString quoteArgument(const QString& text)
{
    if (text.contains(QLatin1Char(' ')))
        return QLatin1Char('"') + text + QLatin1Char('"');
    return text;
}

std::optional<qint64> parseInteger(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        return std::nullopt;
    // Accumulate as a negative number so that the minimum value fits.
    qint64 value = 0;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const int digit = c.unicode() - '0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<int> parseInt32(const QString& text)
{
    const auto value = parseInteger(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

InvalidInteger::InvalidInteger(const QString& text)
    : std::runtime_error(
          QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString())
{
}

int strToInt(const QString& text)
{
    const auto value = parseInt32(text);
    if (!value)
        throw InvalidInteger(text);
    return *value;
}

int durationToSeconds(const QString& text)
{
    return static_cast<int>(clockToMilliseconds(text).value_or(0) / 1000);
}

std::optional<qint64> clockToMilliseconds(const QString& text)
{
    const auto hours = parseInt32(text.mid(0, 2));
    const auto minutes = parseInt32(text.mid(3, 2));
    const auto seconds = parseInt32(text.mid(6, 2));
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    qint64 milliseconds = (qint64(*hours) * 3600 + *minutes * 60 + *seconds) * 1000;
    const QString fraction = text.mid(8, 3);
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (fraction.size() == 3 && fraction.at(0) == QLatin1Char('.') && digit(fraction.at(1)) &&
        digit(fraction.at(2)))
        milliseconds +=
            (fraction.at(1).unicode() - '0') * 100 + (fraction.at(2).unicode() - '0') * 10;
    if (milliseconds < 0)
        return std::nullopt;
    return milliseconds;
}

QString secondsToClock(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds % 3600) / 60;
    const qint64 rest = seconds % 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(rest));
    return QString::fromLatin1(buffer);
}

QString durationClock(std::optional<qint64> milliseconds)
{
    return milliseconds ? secondsToClock(*milliseconds / 1000) : QString();
}

QString millisecondsToClock(qint64 milliseconds)
{
    const qint64 hundredths = (std::max<qint64>(0, milliseconds) + 9) / 10;
    const QString clock = secondsToClock(hundredths / 100);
    if (hundredths % 100 == 0)
        return clock;
    return clock + QStringLiteral(".%1").arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 product = static_cast<qint64>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const quint64 num =
        product < 0 ? static_cast<quint64>(-product) : static_cast<quint64>(product);
    const quint64 den =
        c < 0 ? static_cast<quint64>(-static_cast<qint64>(c)) : static_cast<quint64>(c);
    quint64 quotient = num / den;
    if ((num % den) * 2 >= den)
        ++quotient;
    if (quotient > static_cast<quint64>(std::numeric_limits<int>::max()) + (negative ? 1 : 0))
        return -1;
    return negative ? static_cast<int>(-static_cast<qint64>(quotient)) : static_cast<int>(quotient);
}

qint64 roundHalfEven(double value)
{
    return static_cast<qint64>(std::nearbyint(value));
}

namespace
{

// A finite double as decimal digits: value = 0.d1d2d3... x 10^exponent, the
// form in which formatFixed rounds (halves away from zero on the decimal
// digits), the rounding the size and ratio texts are written with.
struct DecimalDigits {
    bool negative = false;
    std::string digits; // no leading zeros; empty for zero
    int exponent = 0;   // digits left of the decimal point
};

DecimalDigits toDecimal(double value)
{
    DecimalDigits d;
    if (value == 0.0)
        return d;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.16e", value);
    const char* p = buffer;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            d.digits.push_back(*p);
    d.exponent = std::atoi(p + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps `count` significant digits, rounding halves away from zero.
void roundDigits(DecimalDigits& d, int count)
{
    if (count >= static_cast<int>(d.digits.size()))
        return;
    if (count < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<size_t>(count)] >= '5';
    d.digits.resize(static_cast<size_t>(count));
    if (up) {
        int i = count - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
            d.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

} // namespace

QString formatFixed(double value, int precision, int decimals, QChar separator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    DecimalDigits d = toDecimal(value);
    roundDigits(d, std::min(precision, d.exponent + decimals));
    QString text;
    if (d.digits.empty()) {
        text = QStringLiteral("0");
        if (decimals > 0)
            text += separator + QString(decimals, QLatin1Char('0'));
        return text;
    }
    if (d.negative)
        text += QLatin1Char('-');
    if (d.exponent > precision) {
        // Too many digits before the point: general exponent form.
        text += QLatin1Char(d.digits[0]);
        if (d.digits.size() > 1)
            text += separator + QString::fromLatin1(d.digits.c_str() + 1);
        return text + QLatin1Char('E') + QString::number(d.exponent - 1);
    }
    auto digitAt = [&d](int i) {
        return i >= 0 && i < static_cast<int>(d.digits.size())
                   ? QLatin1Char(d.digits[static_cast<size_t>(i)])
                   : QLatin1Char('0');
    };
    if (d.exponent <= 0)
        text += QLatin1Char('0');
    for (int i = 0; i < d.exponent; ++i)
        text += digitAt(i);
    if (decimals > 0) {
        text += separator;
        for (int i = 0; i < decimals; ++i)
            text += digitAt(d.exponent + i);
    }
    return text;
}

QString absoluteUserPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString expanded = path;
    if (expanded == QLatin1String("~"))
        expanded = QDir::homePath();
    else if (expanded.startsWith(QLatin1String("~/")))
        expanded = QDir::homePath() + expanded.mid(1);
    return QDir::cleanPath(QFileInfo(expanded).absoluteFilePath());
}

QString escapedFileName(const QByteArray& raw)
{
    QString text;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

QString megabytesText(qint64 bytes, QChar separator)
{
    return formatFixed(static_cast<double>(bytes) / 1024 / 1024, 5, 2, separator) +
           QStringLiteral("MB");
}

} // namespace transcast
