#include "sources/joblist.h"

#include <algorithm>

#include <QItemSelectionModel>

#include "sources/joblistrows.h"

namespace transcast
{

JobList::JobList(QObject* parent) : JobList(RowsFactory(), parent) {}

JobList::JobList(const RowsFactory& rows, QObject* parent) : QObject(parent)
{
    m_model = rows ? rows(*this) : std::make_unique<JobListRows>(*this);
    Q_ASSERT(m_model && &m_model->jobs() == this);
    m_selection = std::make_unique<QItemSelectionModel>(m_model.get());
    // A removal or a reset changes the selection model's ranges while the
    // list's rows are half changed; it is announced when they are whole.
    connect(m_selection.get(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_reshaping)
            emit selectionChanged();
    });
}

JobList::~JobList() = default;

JobRow* JobList::editable(int row)
{
    return hasRow(row) ? &m_rows[static_cast<size_t>(row)] : nullptr;
}

QString JobList::caption(int row) const
{
    return hasRow(row) ? m_rows[static_cast<size_t>(row)].caption : QString();
}

QString JobList::subItem(int row, int column) const
{
    if (!hasRow(row))
        return QString();
    const JobRow& record = m_rows[static_cast<size_t>(row)];
    switch (column) {
    case FrameSizeColumn:
        return record.source.frameSize.text();
    case TimeColumn:
        return record.source.durationText();
    case OutputSizeColumn:
        if (!record.outputBytes)
            return QString();
        return m_sizeText ? m_sizeText(*record.outputBytes)
                          : megabytesText(*record.outputBytes, QLatin1Char('.'));
    default:
        return QString();
    }
}

const SourceInfo& JobList::sourceInfo(int row) const
{
    static const SourceInfo none;
    return hasRow(row) ? m_rows[static_cast<size_t>(row)].source : none;
}

const DvdRowInfo& JobList::convertInfo(int row) const
{
    static const DvdRowInfo none;
    return hasRow(row) ? m_rows[static_cast<size_t>(row)].dvd : none;
}

int JobList::indexOf(quint64 id) const
{
    // Rows only ever join at the end, each with a greater identity than
    // any before: the list is in the order of its identities.
    const auto found =
        std::lower_bound(m_rows.begin(), m_rows.end(), id,
                         [](const JobRow& row, quint64 wanted) { return row.id < wanted; });
    return found != m_rows.end() && found->id == id ? static_cast<int>(found - m_rows.begin()) : -1;
}

int JobList::appendRow(JobRow record)
{
    record.id = ++m_lastId;
    const int index = rowCount();
    m_reshaping = true;
    m_model->beginInsertRows(QModelIndex(), index, index);
    m_rows.push_back(std::move(record));
    m_model->endInsertRows();
    m_reshaping = false;
    emit rowAppended(index);
    return index;
}

void JobList::removeRow(int row)
{
    if (!hasRow(row))
        return;
    const bool selected = isSelected(row);
    m_reshaping = true;
    m_model->beginRemoveRows(QModelIndex(), row, row);
    const JobRow removed = std::move(m_rows[static_cast<size_t>(row)]);
    m_rows.erase(m_rows.begin() + row);
    m_model->endRemoveRows();
    m_reshaping = false;
    emit rowRemoved(row, removed);
    if (selected)
        emit selectionChanged();
}

void JobList::clear()
{
    if (m_rows.empty())
        return;
    // A reset drops the selection without a word of the selection model's.
    m_reshaping = true;
    m_model->beginResetModel();
    m_rows.clear();
    m_model->endResetModel();
    m_reshaping = false;
    emit rowsReset();
    emit selectionChanged();
}

void JobList::changeRow(int row, const std::function<void(JobRow&)>& change)
{
    JobRow* record = editable(row);
    if (!record)
        return;
    const quint64 id = record->id;
    change(*record);
    record->id = id; // a change may put in a whole other record
    emit rowChanged(row);
}

void JobList::setOutputSize(int row, std::optional<qint64> bytes)
{
    JobRow* record = editable(row);
    if (!record || record->outputBytes == bytes)
        return;
    record->outputBytes = bytes;
    emit rowChanged(row);
}

void JobList::setStatus(int row, JobStatus status, int progress)
{
    JobRow* record = editable(row);
    if (!record || (record->status == status && record->progress == progress))
        return;
    const Change change = record->status == status ? Change::Progress : Change::Record;
    record->status = status;
    record->progress = progress;
    emit rowChanged(row, change);
}

void JobList::setPreviewShown(int row, PreviewShown shown)
{
    JobRow* record = editable(row);
    if (!record || record->preview == shown)
        return;
    record->preview = shown;
    emit rowChanged(row, Change::Preview);
}

void JobList::setJobReport(int row, const QString& failureReason, const QStringList& notes)
{
    JobRow* record = editable(row);
    if (!record || (record->failureReason == failureReason && record->notes == notes))
        return;
    record->failureReason = failureReason;
    record->notes = notes;
    emit rowChanged(row);
}

void JobList::setAudioChoice(int row, int position)
{
    JobRow* record = editable(row);
    if (record && (record->isDvd() ? record->dvd.chooseAudio(position)
                                   : record->tracks.chooseAudio(position)))
        emit rowChanged(row);
}

void JobList::setSubtitleChoice(int row, int position)
{
    JobRow* record = editable(row);
    if (record && (record->isDvd() ? record->dvd.chooseSubtitle(position)
                                   : record->tracks.chooseSubtitle(position)))
        emit rowChanged(row);
}

void JobList::setChecked(int row, bool checked)
{
    JobRow* record = editable(row);
    // A title the disc no longer holds has nothing to convert.
    if (!record || record->checked == checked || (checked && record->dvd.missing))
        return;
    record->checked = checked;
    emit rowChanged(row);
}

void JobList::setSelected(int row, bool selected)
{
    if (!hasRow(row))
        return;
    // The selection model says whether anything changed.
    const QItemSelection cells(m_model->index(row, 0),
                               m_model->index(row, JobListRows::kColumnCount - 1));
    m_selection->select(cells,
                        selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void JobList::clearSelection()
{
    m_selection->clearSelection();
}

bool JobList::isSelected(int row) const
{
    if (!hasRow(row))
        return false;
    const QItemSelection selection = m_selection->selection();
    return std::any_of(selection.cbegin(), selection.cend(),
                       [row](const QItemSelectionRange& range) {
                           return range.isValid() && range.top() <= row && row <= range.bottom();
                       });
}

QVector<int> JobList::selectedRows() const
{
    QVector<int> rows;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        for (int row = range.top(); range.isValid() && row <= range.bottom() && hasRow(row); ++row)
            rows.append(row);
    }
    // Ranges come in the order they were selected in, and may overlap.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int JobList::firstSelected() const
{
    const QVector<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void JobList::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibilityChanged(visible);
}

} // namespace transcast
