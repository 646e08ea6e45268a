#include "ui/helpcommands.h"

#include <QFileInfo>
#include <QUrl>

#include "common/interaction.h"
#include "common/shell.h"
#include "ui/aboutbox.h"

namespace transcast
{

namespace
{

// What the information box says when `page` (a file:// address) could not
// be opened.
QString notOpenedText(const QString& page)
{
    return QStringLiteral("The help page could not be opened: no web browser was found to "
                          "show it.\n\nThe page is the file\n%1\nOpen it in any web browser.")
        .arg(QFileInfo(QUrl(page).toLocalFile()).absoluteFilePath());
}

} // namespace

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

void HelpCommands::open(Shell& shell, Interaction& interaction, const QString& page) const
{
    if (!shell.openUrl(page))
        interaction.inform(notOpenedText(page));
}

void HelpCommands::openHelp(Shell& shell, Interaction& interaction) const
{
    open(shell, interaction, helpPage(m_edition));
}

void HelpCommands::openSupport(Shell& shell, Interaction& interaction) const
{
    open(shell, interaction, helpPage(m_edition, QStringLiteral("troubleshooting")));
}

void HelpCommands::openReadme(Shell& shell, Interaction& interaction) const
{
    open(shell, interaction, readmePage(m_edition));
}

QString HelpCommands::contactPage(const Edition& edition)
{
    return helpPage(edition, QStringLiteral("contact"));
}

void HelpCommands::openContact(Shell& shell, Interaction& interaction) const
{
    open(shell, interaction, contactPage(m_edition));
}

void HelpCommands::showAbout(Shell& shell, QWidget* mainWindow) const
{
    AboutBox about(m_edition, shell, mainWindow);
    about.exec();
}

} // namespace transcast
