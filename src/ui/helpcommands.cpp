#include "ui/helpcommands.h"

#include <QUrl>

#include "common/shell.h"
#include "ui/aboutbox.h"

namespace transcast
{

HelpCommands::HelpCommands(Edition edition) : m_edition(std::move(edition)) {}

QString HelpCommands::helpPage(const Edition& edition, const QString& section)
{
    QUrl page = QUrl::fromLocalFile(edition.dataFile(QStringLiteral("help/index.html")));
    if (!section.isEmpty())
        page.setFragment(section);
    return page.toString();
}

QString HelpCommands::readmePage(const Edition& edition)
{
    return QUrl::fromLocalFile(edition.dataFile(QStringLiteral("help/readme.html"))).toString();
}

void HelpCommands::openHelp(Shell& shell) const
{
    shell.openUrl(helpPage(m_edition));
}

void HelpCommands::openSupport(Shell& shell) const
{
    shell.openUrl(helpPage(m_edition, QStringLiteral("troubleshooting")));
}

void HelpCommands::openReadme(Shell& shell) const
{
    shell.openUrl(readmePage(m_edition));
}

QString HelpCommands::contactPage(const Edition& edition)
{
    return helpPage(edition, QStringLiteral("contact"));
}

void HelpCommands::openContact(Shell& shell) const
{
    shell.openUrl(contactPage(m_edition));
}

void HelpCommands::showAbout(Shell& shell, QWidget* mainWindow) const
{
    AboutBox about(m_edition, shell, mainWindow);
    about.exec();
}

} // namespace transcast
