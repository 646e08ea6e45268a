#include "ui/dvdbinding.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QTableView>

#include "common/edition.h"
#include "sources/dvdtitles.h"
#include "ui/optionboxbinding.h"

namespace transcast
{

DvdBinding::DvdBinding(DvdTitles& dvd, const Edition& edition, QTableView& list, QComboBox& audio,
                       QComboBox& subtitle, QObject* parent)
    : QObject(parent), m_dvd(dvd)
{
    new OptionBoxBinding(dvd.audioTracks(), audio, this);
    new OptionBoxBinding(dvd.subtitleTracks(), subtitle, this);
    if (!edition.isDvdMode())
        return;
    // A row selected with the keys or the mouse is the list's selection, whose
    // changes show their row's tracks (DvdTitles); a click on the selected
    // row shows them again.
    connect(&list, &QAbstractItemView::clicked, this, [&dvd] { dvd.rowClicked(); });
    connect(&dvd, &DvdTitles::readingChanged, &list,
            [&list](bool reading) { list.setEnabled(!reading); });
    list.installEventFilter(this);
}

bool DvdBinding::eventFilter(QObject* watched, QEvent* event)
{
    // As in every check list, Space flips the tick of the selected row
    // (the view alone would flip it only when the first column has focus).
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (!key->isAutoRepeat())
        m_dvd.toggleSelectedChecks();
    return true;
}

} // namespace transcast
