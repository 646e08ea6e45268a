#include "ui/dvdbinding.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QTableView>

#include "common/edition.h"
#include "sources/dvdtitles.h"
#include "ui/optionboxbinding.h"

namespace transcast
{

DvdBinding::DvdBinding(DvdTitles& dvd, const Edition& edition, QTableView& list, QComboBox& audio,
                       QComboBox& subtitle, QObject* parent)
    : QObject(parent)
{
    new OptionBoxBinding(dvd.audioTracks(), audio, this);
    new OptionBoxBinding(dvd.subtitleTracks(), subtitle, this);
    if (!edition.isDvdMode())
        return;
    connect(&list, &QAbstractItemView::clicked, this, [&dvd] { dvd.rowClicked(); });
    // A row reached with the keyboard shows its tracks as a clicked one does,
    // so the boxes never speak for another row than the selected one.
    connect(list.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [&dvd](const QModelIndex& current) {
                if (current.isValid())
                    dvd.rowClicked();
            });
    connect(&dvd, &DvdTitles::readingChanged, &list,
            [&list](bool reading) { list.setEnabled(!reading); });
}

} // namespace transcast
