#include "cli/cliinteraction.h"

#include "cli/console.h"

namespace transcast
{

namespace
{
// The texts may hold the carriage return that starts a second line in a
// message box; on a terminal it would overwrite the first line.
QString oneLine(const QString& text)
{
    QString line = text;
    return line.replace(QLatin1Char('\r'), QLatin1Char(' '));
}
} // namespace

void CliInteraction::warn(const QString& text)
{
    m_console.err(QStringLiteral("transcast-cli: ") + oneLine(text));
}

void CliInteraction::inform(const QString& text)
{
    m_console.err(QStringLiteral("transcast-cli: ") + oneLine(text));
}

void CliInteraction::error(const QString& text)
{
    m_console.err(QStringLiteral("transcast-cli: error: ") + oneLine(text));
}

bool CliInteraction::confirm(const QString&, QuestionKind, DefaultAnswer)
{
    return true;
}

QStringList CliInteraction::chooseFiles(const QString&, bool)
{
    return {};
}

QString CliInteraction::chooseFolder(const QString&)
{
    return {};
}

} // namespace transcast
