#include "cli/console.h"

#include <QByteArray>

#include <sys/ioctl.h>
#include <unistd.h>

namespace transcast
{

namespace
{
constexpr int kDefaultWidth = 80;
}

Console::Console() : m_terminal(isatty(STDOUT_FILENO) == 1) {}

int Console::width() const
{
    winsize size{};
    if (m_terminal && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    const int columns = qEnvironmentVariableIntValue("COLUMNS");
    return columns > 0 ? columns : kDefaultWidth;
}

void Console::write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void Console::out(const QString& line)
{
    clearStatus();
    write(stdout, line + QLatin1Char('\n'));
}

void Console::err(const QString& line)
{
    clearStatus();
    write(stderr, line + QLatin1Char('\n'));
}

void Console::status(const QString& line)
{
    if (!m_terminal)
        return;
    // Back to the line's start, the new text, then erase what a longer
    // previous text left to its right.
    write(stdout, QLatin1Char('\r') + line + QStringLiteral("\x1b[K"));
    m_statusShown = true;
}

void Console::clearStatus()
{
    if (!m_statusShown)
        return;
    m_statusShown = false;
    write(stdout, QStringLiteral("\r\x1b[K"));
}

} // namespace transcast
