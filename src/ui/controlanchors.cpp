#include "ui/controlanchors.h"

#include <algorithm>

#include <QWidget>

#include "ui/skin/anchors.h"

namespace transcast
{

int ControlAnchors::anchorsOf(const QString& name, bool dvdMode, bool branded)
{
    using A = Anchors;
    auto is = [&name](const char* object) { return name == QLatin1String(object); };
    if (is("lv"))
        return A::Left | A::Right | A::Top | A::Bottom;
    if (is("pl_play"))
        return A::Right | A::Top | A::Bottom;
    if (is("ProgressBar1"))
        return A::Left | A::Right | A::Bottom;
    if (name.startsWith(QLatin1String("cb_")) && !is("cb_audio") && !is("cb_subtitle"))
        return A::Right | A::Top;
    // The output box and the track boxes sit in the header row or in the
    // bottom row, by layout; the category icon beside the profile box.
    const bool bottomRow = branded || (dvdMode && is("ed_output"));
    if (is("ed_output"))
        return bottomRow ? A::Left | A::Bottom : A::Left | A::Right | A::Top;
    if (is("cb_audio") || is("cb_subtitle")) {
        if (branded || !dvdMode)
            return A::Left | A::Bottom;
        // The subtitle box stands right of the list's edge with its caption.
        return is("cb_subtitle") ? A::Right | A::Top : A::Left | A::Right | A::Top;
    }
    if (is("Panel1"))
        return branded ? A::Left | A::Bottom : A::TopLeft;
    return A::TopLeft;
}

void ControlAnchors::setLayout(bool dvdMode, bool branded)
{
    m_dvdMode = dvdMode;
    m_branded = branded;
}

void ControlAnchors::place(QWidget* control, const QRect& design)
{
    const int anchors = anchorsOf(control->objectName(), m_dvdMode, m_branded);
    auto found = std::find_if(m_entries.begin(), m_entries.end(),
                              [control](const Entry& entry) { return entry.control == control; });
    if (found == m_entries.end())
        m_entries.push_back({control, design, anchors});
    else
        *found = {control, design, anchors};
    control->setGeometry(Anchors::place(design, anchors, m_growth));
}

QRect ControlAnchors::designPlace(const QWidget* control) const
{
    for (const Entry& entry : m_entries) {
        if (entry.control == control)
            return entry.design;
    }
    return {};
}

void ControlAnchors::setGrowth(const QSize& growth)
{
    m_growth = growth;
    for (const Entry& entry : m_entries) {
        if (entry.control)
            entry.control->setGeometry(Anchors::place(entry.design, entry.anchors, growth));
    }
}

} // namespace transcast
