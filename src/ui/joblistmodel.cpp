#include "ui/joblistmodel.h"

#include <QBrush>
#include <QDir>
#include <QFont>
#include <QMimeData>
#include <QUrl>

#include "control/jobstatustext.h"
#include "sources/joblist.h"

namespace transcast
{

JobListModel::JobListModel(JobList& jobs, QObject* parent)
    : JobListRows(jobs, parent),
      m_headers({QStringLiteral("File Name"), QStringLiteral("Width * Height"),
                 QStringLiteral("Time"), QStringLiteral("Output Size"), QStringLiteral("Status")})
{
    // Rows coming and going the list announces through the base.
    connect(&jobs, &JobList::rowChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, kColumnCount - 1)); });
}

void JobListModel::setFirstColumnCaption(const QString& caption)
{
    m_headers[0] = caption;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void JobListModel::setCheckBoxes(bool on)
{
    if (on == m_checkBoxes)
        return;
    // Not a reset, which would drop the list's selection.
    m_checkBoxes = on;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

QVariant JobListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !jobs().hasRow(index.row()))
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 0)
            return jobs().caption(row);
        if (index.column() == kStatusColumn)
            return jobStatusText(jobs().row(row));
        return jobs().subItem(row, index.column() - 1);
    case Qt::CheckStateRole:
        if (m_checkBoxes && index.column() == 0)
            return jobs().row(row).checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ForegroundRole:
        // A status an earlier batch left is not this batch's: it is shown
        // faded until the batch reaches the row.
        if (index.column() == kStatusColumn && jobs().row(row).earlierBatch)
            return QBrush(QColor(0x80, 0x80, 0x80));
        return {};
    case Qt::FontRole:
        if (index.column() == kStatusColumn && jobs().row(row).earlierBatch) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    case Qt::ToolTipRole: {
        // A failed row says why; a finished one what the encoder had to
        // change; any other its source.
        const JobRow& record = jobs().row(row);
        if (index.column() == kStatusColumn && record.earlierBatch)
            return kEarlierBatchTip;
        if (!record.failureReason.isEmpty())
            return record.failureReason;
        if (!record.notes.isEmpty())
            return record.notes.join(QLatin1Char('\n'));
        if (record.isDvd()) {
            // The caption counts list rows; the disc's own number is what
            // its menu and a player show.
            QStringList lines;
            if (const int title = record.dvd.discTitle())
                lines << QStringLiteral("Disc title %1").arg(title);
            if (record.dvd.missing)
                lines << record.dvd.missingReason();
            lines << QDir::toNativeSeparators(record.dvd.ifoPath);
            return lines.join(QLatin1Char('\n'));
        }
        return record.source.filePath;
    }
    default:
        return {};
    }
}

bool JobListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_checkBoxes || role != Qt::CheckStateRole || index.column() != 0 ||
        !jobs().hasRow(index.row()))
        return false;
    jobs().setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumnCount)
        return m_headers.at(section);
    return {};
}

Qt::ItemFlags JobListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (m_checkBoxes && index.column() == 0 && jobs().hasRow(index.row()) &&
        !jobs().row(index.row()).dvd.missing)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QStringList JobListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

Qt::DropActions JobListModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

bool JobListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                   const QModelIndex&) const
{
    return data && data->hasUrls();
}

bool JobListModel::dropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex&)
{
    if (!data || !data->hasUrls())
        return false;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return false;
    emit filesDropped(paths);
    // The rows come from the probe, not from the drop itself.
    return false;
}

} // namespace transcast
