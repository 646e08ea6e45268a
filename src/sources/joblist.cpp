#include "sources/joblist.h"

#include <algorithm>

namespace transcast
{

JobList::JobList(QObject* parent) : QObject(parent) {}

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
    const bool selected = record.selected;
    record.id = ++m_lastId;
    m_rows.push_back(std::move(record));
    const int index = rowCount() - 1;
    emit rowAppended(index);
    if (selected)
        emit selectionChanged();
    return index;
}

void JobList::removeRow(int row)
{
    if (!hasRow(row))
        return;
    const JobRow removed = std::move(m_rows[static_cast<size_t>(row)]);
    m_rows.erase(m_rows.begin() + row);
    emit rowRemoved(row, removed);
    if (removed.selected)
        emit selectionChanged();
}

void JobList::clear()
{
    if (m_rows.empty())
        return;
    m_rows.clear();
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
    if (record && record->dvd.chooseAudio(position))
        emit rowChanged(row);
}

void JobList::setSubtitleChoice(int row, int position)
{
    JobRow* record = editable(row);
    if (record && record->dvd.chooseSubtitle(position))
        emit rowChanged(row);
}

void JobList::setChecked(int row, bool checked)
{
    JobRow* record = editable(row);
    if (!record || record->checked == checked)
        return;
    record->checked = checked;
    emit rowChanged(row);
}

void JobList::setSelected(int row, bool selected)
{
    JobRow* record = editable(row);
    if (!record || record->selected == selected)
        return;
    record->selected = selected;
    emit selectionChanged();
}

void JobList::clearSelection()
{
    bool changed = false;
    for (JobRow& row : m_rows) {
        changed = changed || row.selected;
        row.selected = false;
    }
    if (changed)
        emit selectionChanged();
}

QVector<int> JobList::selectedRows() const
{
    QVector<int> rows;
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[static_cast<size_t>(i)].selected)
            rows.append(i);
    }
    return rows;
}

int JobList::firstSelected() const
{
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[static_cast<size_t>(i)].selected)
            return i;
    }
    return -1;
}

void JobList::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibilityChanged(visible);
}

} // namespace transcast
