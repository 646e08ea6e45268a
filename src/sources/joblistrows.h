#pragma once

#include <QAbstractTableModel>

namespace transcast
{

class JobList;

// The job list's rows as an item model, so that the list's one selection
// can be a QItemSelectionModel that follows rows as they come and go: as
// many rows as the list holds, five columns (the caption and the four
// sub-items), and no data. The list announces every insert, removal and
// reset through it (JobList is its only writer); the window's model derives
// from it and adds what a view shows, so the view's selection is the list's.
class JobListRows : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumnCount = 5;

    explicit JobListRows(JobList& jobs, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Nothing: the core reads the list itself.
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    JobList& jobs() const { return m_jobs; }

private:
    // The list changes its rows between the begin and end calls it makes.
    friend class JobList;

    JobList& m_jobs;
};

} // namespace transcast
