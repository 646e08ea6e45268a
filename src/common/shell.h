#pragma once

#include <QString>

namespace transcast
{

// The desktop around the program. Only the GUI's implementation ever shuts
// the computer down; tests record the calls instead.
class Shell
{
public:
    virtual ~Shell() = default;

    // Shows a folder in the file manager; the result is not examined.
    virtual void openFolder(const QString& path) = 0;
    // Opens a web address in the browser (a file:// one in whatever shows
    // such files). False when the desktop has nothing to open it with, or
    // that could not be started; what the browser then makes of it is not
    // known here.
    virtual bool openUrl(const QString& url) = 0;
    // Shuts the computer down at once.
    virtual void shutDown() = 0;
};

} // namespace transcast
