#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

namespace transcast
{

class IniFile;

// The main window's size and place between runs, kept in the settings file
// beside the other settings: section "window", keys "left", "top", "width",
// "height" (the normal, not maximised, geometry) and "maximized".
class WindowPlacement
{
public:
    // Where a window saved at `saved` goes on screens whose available areas
    // are `screens` (the first being the primary): the saved place when its
    // top strip, where the title bar is grabbed, lies on a screen; otherwise
    // the same size moved onto the screen it overlaps most (the primary when
    // none). The size is at least `minimum` and at most the chosen screen's.
    // A null rectangle when `saved` is not valid or there is no screen.
    static QRect visiblePlacement(const QRect& saved, const QList<QRect>& screens,
                                  const QSize& minimum);

    // Writes the window's geometry; false when the file could not be written.
    static bool save(const QWidget& window, IniFile& settings);
    // Puts the window where the settings say, onto a visible screen; leaves
    // it as it is when nothing was saved.
    static void restore(QWidget& window, const IniFile& settings);
};

} // namespace transcast
