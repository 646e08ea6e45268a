#include "sources/joblist.h"

namespace transcast
{

JobList::JobList(QObject* parent) : QObject(parent) {}

QString JobList::subItem(int row, int column) const
{
    if (!hasRow(row) || column < 0 || column > 3)
        return QString();
    return m_rows[static_cast<size_t>(row)].subItems[static_cast<size_t>(column)];
}

QString JobList::caption(int row) const
{
    return hasRow(row) ? m_rows[static_cast<size_t>(row)].caption : QString();
}

int JobList::appendRow(const QString& caption)
{
    Row row;
    row.caption = caption;
    m_rows.push_back(row);
    const int index = rowCount() - 1;
    emit rowAppended(index);
    return index;
}

void JobList::setCaption(int row, const QString& caption)
{
    if (!hasRow(row))
        return;
    m_rows[static_cast<size_t>(row)].caption = caption;
    emit rowChanged(row);
}

void JobList::setSubItem(int row, int column, const QString& text)
{
    if (!hasRow(row) || column < 0 || column > 3)
        return;
    QString& cell = m_rows[static_cast<size_t>(row)].subItems[static_cast<size_t>(column)];
    if (cell == text)
        return;
    cell = text;
    emit rowChanged(row);
}

void JobList::removeRow(int row)
{
    if (!hasRow(row))
        return;
    const bool wasSelected = m_rows[static_cast<size_t>(row)].selected;
    m_rows.erase(m_rows.begin() + row);
    emit rowRemoved(row);
    if (wasSelected)
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

void JobList::setChecked(int row, bool checked)
{
    if (!hasRow(row) || m_rows[static_cast<size_t>(row)].checked == checked)
        return;
    m_rows[static_cast<size_t>(row)].checked = checked;
    emit rowChanged(row);
}

void JobList::setSelected(int row, bool selected)
{
    if (!hasRow(row) || m_rows[static_cast<size_t>(row)].selected == selected)
        return;
    m_rows[static_cast<size_t>(row)].selected = selected;
    emit selectionChanged();
}

void JobList::clearSelection()
{
    bool changed = false;
    for (Row& row : m_rows) {
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

namespace
{
template <typename Records> void shiftDown(Records& records, int row)
{
    for (int i = row; i + 1 < records.size(); ++i)
        records[i] = records[i + 1];
}
} // namespace

void JobList::moveRecordsDown(int row)
{
    if (row < 0)
        return;
    shiftDown(OriginalInfos, row);
    shiftDown(ConvertInfos, row);
}

void JobList::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibilityChanged(visible);
}

} // namespace transcast
