#pragma once

#include <vector>

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace transcast
{

// The main window's own controls over the skin (the job list, the option
// boxes, the output box, the preview panel, the progress bar, the track
// boxes, the category icon) kept in the skin's arrangement when the window
// grows: each is placed at its design place for the layout and follows the
// edges the skin's objects around it follow (see Anchors).
class ControlAnchors
{
public:
    // The edges a control keeps in a layout, by its object name: the list
    // grows both ways, the right-hand column moves right, the preview panel
    // also grows in height, controls of the bottom row move down.
    static int anchorsOf(const QString& objectName, bool dvdMode, bool branded);

    // Sets the layout the following place() calls belong to.
    void setLayout(bool dvdMode, bool branded);
    // Places `control` at `design` (its place at the design size), grown by
    // the current growth, and remembers it for later resizes.
    void place(QWidget* control, const QRect& design);
    // Design place of a control placed before; null when never placed.
    QRect designPlace(const QWidget* control) const;

    // The window is now `growth` larger than its design size.
    void setGrowth(const QSize& growth);
    QSize growth() const { return m_growth; }

private:
    struct Entry {
        QPointer<QWidget> control;
        QRect design;
        int anchors;
    };
    std::vector<Entry> m_entries;
    QSize m_growth{0, 0};
    bool m_dvdMode = false;
    bool m_branded = false;
};

} // namespace transcast
