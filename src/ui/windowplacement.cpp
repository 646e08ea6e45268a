#include "ui/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "common/inifile.h"

namespace transcast
{

namespace
{

const QString kSection = QStringLiteral("window");
// A window is reachable when this much of its top edge lies on a screen.
constexpr int kGrabHeight = 24;
constexpr int kGrabWidth = 120;

int overlapArea(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isValid() ? common.width() * common.height() : 0;
}

} // namespace

QRect WindowPlacement::visiblePlacement(const QRect& saved, const QList<QRect>& screens,
                                        const QSize& minimum)
{
    if (!saved.isValid() || screens.isEmpty())
        return {};
    const QRect top(saved.left(), saved.top(), saved.width(), qMin(saved.height(), kGrabHeight));
    const QRect* chosen = nullptr;
    int best = 0;
    for (const QRect& screen : screens) {
        const int area = overlapArea(saved, screen);
        if (area > best) {
            best = area;
            chosen = &screen;
        }
    }
    if (!chosen)
        chosen = &screens.first();

    QSize size = saved.size().expandedTo(minimum).boundedTo(chosen->size());
    QRect placed(saved.topLeft(), size);
    const QRect grab = top.intersected(*chosen);
    const bool reachable = grab.isValid() && grab.height() >= qMin(kGrabHeight, top.height()) &&
                           grab.width() >= qMin(kGrabWidth, top.width());
    if (reachable && chosen->contains(placed.topLeft()))
        return placed;
    // Pull it onto the screen, as little as possible.
    placed.moveLeft(qBound(chosen->left(), placed.left(), chosen->right() - size.width() + 1));
    placed.moveTop(qBound(chosen->top(), placed.top(), chosen->bottom() - size.height() + 1));
    return placed;
}

bool WindowPlacement::save(const QWidget& window, IniFile& settings)
{
    const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
    return settings.writeInteger(kSection, QStringLiteral("left"), normal.left()) &&
           settings.writeInteger(kSection, QStringLiteral("top"), normal.top()) &&
           settings.writeInteger(kSection, QStringLiteral("width"), normal.width()) &&
           settings.writeInteger(kSection, QStringLiteral("height"), normal.height()) &&
           settings.writeBool(kSection, QStringLiteral("maximized"), window.isMaximized());
}

void WindowPlacement::restore(QWidget& window, const IniFile& settings)
{
    const int width = settings.readInteger(kSection, QStringLiteral("width"), 0);
    const int height = settings.readInteger(kSection, QStringLiteral("height"), 0);
    if (width <= 0 || height <= 0)
        return;
    const QRect saved(settings.readInteger(kSection, QStringLiteral("left"), 0),
                      settings.readInteger(kSection, QStringLiteral("top"), 0), width, height);
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens << screen->availableGeometry();
    }
    const QRect placed = visiblePlacement(saved, screens, window.minimumSize());
    if (placed.isNull())
        return;
    window.setGeometry(placed);
    if (settings.readBool(kSection, QStringLiteral("maximized"), false))
        window.showMaximized();
}

} // namespace transcast
