#pragma once

#include <QString>

#include "common/edition.h"

class QWidget;

namespace transcast
{

class Shell;

// The help menu's commands and the web addresses they open. Which site an
// edition opens depends on the brand marker "kavri" in its file name.
class HelpCommands
{
public:
    // The two web sites, without a trailing slash. The only place they are
    // configured.
    static constexpr const char* BrandedSite = "https://partner.example.org";
    static constexpr const char* StandardSite = "https://transcast.example.org";

    explicit HelpCommands(Edition edition);

    // BrandedSite when the lower-cased file name contains "kavri", else
    // StandardSite.
    static QString websiteAddress(const QString& exeFileName);
    // The menu's contact page: websiteAddress() plus "/Contact.html" when the
    // file name, in its own letter case, contains "kavri", else plus
    // "/contact.php". So "KAVRI.exe" gets the branded site's "/contact.php".
    static QString menuContactAddress(const QString& exeFileName);
    // The about box's contact page: the same test ignoring letter case, so a
    // branded name always gets the branded site's "/Contact.html".
    static QString aboutContactAddress(const QString& exeFileName);

    // "Help" and "Our Website": opens the web site.
    void openWebsite(Shell& shell) const;
    // "Support" and "Contact us": opens the menu's contact page.
    void openContact(Shell& shell) const;
    // "About": shows the about box modally over the main window.
    void showAbout(Shell& shell, QWidget* mainWindow) const;

private:
    Edition m_edition;
};

} // namespace transcast
