#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>

#include <QString>

// Small text and number helpers whose exact rounding and formatting rules the
// rest of the program depends on (command lines, estimates, clock texts).
namespace transcast
{

// Wraps the text in double quotes when it contains a blank; nothing inside is
// escaped. Used for the joined command-line texts the user sees.
QString quoteArgument(const QString& text);

// A whole number as settings, probe values and list texts are read:
// optional leading blanks, an optional sign, decimal digits and nothing after
// them. Anything else is no number (empty optional).
std::optional<qint64> parseInteger(const QString& text);

// As parseInteger, but a value outside the 32-bit range is no number either.
std::optional<int> parseInt32(const QString& text);

// A text that had to be a whole number and was not. Its message is the one
// users see: "'12a' is not a valid integer value".
class InvalidInteger : public std::runtime_error
{
public:
    explicit InvalidInteger(const QString& text);
    QString message() const { return QString::fromUtf8(what()); }
};

// parseInt32, throwing InvalidInteger for a text that is no number. For the
// rules that must stop at the first bad number and tell the user which.
int strToInt(const QString& text);

// "hh:mm:ss" to whole seconds, reading characters 1-2, 4-5 and 7-8 as the
// three fields; 0 when any of them is not a number ("1:02:03" gives 0) or
// the time is negative.
int durationToSeconds(const QString& text);
// The same clock in milliseconds, with the hundredths of a ".cc" that
// follows the seconds ("00:00:02.40" gives 2400); anything else after them
// is not read. Empty when a field is not a number or the time is negative.
std::optional<qint64> clockToMilliseconds(const QString& text);

// Whole seconds to "hh:mm:ss", each field at least two digits.
QString secondsToClock(qint64 seconds);
// A length as the lists show it: secondsToClock of its whole seconds; empty
// when the length is not known.
QString durationClock(std::optional<qint64> milliseconds);
// A length in milliseconds as secondsToClock writes whole seconds, followed
// by "." and the hundredths (rounded up) when there are any:
// 2400 -> "00:00:02.40", 2534 -> "00:00:02.54", 12000 -> "00:00:12".
QString millisecondsToClock(qint64 milliseconds);

// a * b / c with a 64-bit product, rounded to nearest with halves away from
// zero; -1 when c is 0 or the result does not fit in 32 bits.
int mulDiv(int a, int b, int c);

// Rounds to the nearest whole number, halves to the even neighbour.
qint64 roundHalfEven(double value);

// Fixed-point text: the value rounded to `precision` significant digits
// (halves away from zero), then written with exactly `decimals` digits after
// the separator (11.6443 -> "11.64", 1234.567 -> "1234.60"). When the integer
// part needs more digits than the precision allows, the general exponent form
// is written instead ("1E5", "1.2346E5").
QString formatFixed(double value, int precision, int decimals, QChar separator = QLatin1Char('.'));
// A size in bytes as megabytes of 2^20 bytes, with two decimals and "MB":
// 12210000 bytes give "11.64MB".
QString megabytesText(qint64 bytes, QChar separator);

// The path made absolute against the current folder, with a leading "~" (or
// "~/") standing for the home folder, and cleaned ("a/../b" is "b"). The
// encoder runs in the program's folder, so every path handed to it, or
// checked on its behalf, must not depend on where we were started. Empty
// stays empty.
QString absoluteUserPath(const QString& path);

// A file name's bytes with everything outside printable ASCII, and the
// backslash, written as \xHH: how a name that is no text is shown.
QString escapedFileName(const QByteArray& raw);

} // namespace transcast
