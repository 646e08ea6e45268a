#pragma once

#include <QString>

#include "common/edition.h"

class QWidget;

namespace transcast
{

class Interaction;
class Shell;

// The help menu's commands and the pages they open. The help is a set of
// offline pages installed with the program (the folder "help" beside the
// executable), opened in the desktop's browser: the help page for "Help",
// its troubleshooting part for "Support", the project's README page for
// "Our Website" and the about box's link, and the help's part on where to
// report problems for "Contact us" and the about box's button. Where the
// desktop has nothing to open a page with, an information box says so and
// names the page's file, for the user to open some other way.
class HelpCommands
{
public:
    explicit HelpCommands(Edition edition);

    // file:// addresses of the pages beside the edition's executable. A
    // section is the page's anchor ("troubleshooting"); empty for the top.
    static QString helpPage(const Edition& edition, const QString& section = QString());
    static QString readmePage(const Edition& edition);

    // "Help" (and F1): the help page.
    void openHelp(Shell& shell, Interaction& interaction) const;
    // "Support": the help page's troubleshooting part.
    void openSupport(Shell& shell, Interaction& interaction) const;
    // "Our Website": the README page.
    void openReadme(Shell& shell, Interaction& interaction) const;
    // "Contact us": where to report problems.
    void openContact(Shell& shell, Interaction& interaction) const;
    static QString contactPage(const Edition& edition);
    // "About": shows the about box modally over the main window.
    void showAbout(Shell& shell, QWidget* mainWindow) const;

private:
    void open(Shell& shell, Interaction& interaction, const QString& page) const;

    Edition m_edition;
};

} // namespace transcast
