#include "ui/helpcommands.h"

#include "common/shell.h"
#include "ui/aboutbox.h"

namespace transcast
{

namespace
{

const QString kBrandMarker = QStringLiteral("kavri");

} // namespace

HelpCommands::HelpCommands(Edition edition) : m_edition(std::move(edition)) {}

QString HelpCommands::websiteAddress(const QString& exeFileName)
{
    return QLatin1String(exeFileName.toLower().contains(kBrandMarker) ? BrandedSite : StandardSite);
}

QString HelpCommands::menuContactAddress(const QString& exeFileName)
{
    const bool marked = exeFileName.contains(kBrandMarker, Qt::CaseSensitive);
    return websiteAddress(exeFileName) +
           (marked ? QStringLiteral("/Contact.html") : QStringLiteral("/contact.php"));
}

QString HelpCommands::aboutContactAddress(const QString& exeFileName)
{
    const bool marked = exeFileName.contains(kBrandMarker, Qt::CaseInsensitive);
    return websiteAddress(exeFileName) +
           (marked ? QStringLiteral("/Contact.html") : QStringLiteral("/contact.php"));
}

void HelpCommands::openWebsite(Shell& shell) const
{
    shell.openUrl(websiteAddress(m_edition.ExeFileName()));
}

void HelpCommands::openContact(Shell& shell) const
{
    shell.openUrl(menuContactAddress(m_edition.ExeFileName()));
}

void HelpCommands::showAbout(Shell& shell, QWidget* mainWindow) const
{
    AboutBox about(m_edition, shell, mainWindow);
    about.exec();
}

} // namespace transcast
