#include "sources/joblistrows.h"

#include "sources/joblist.h"

namespace transcast
{

JobListRows::JobListRows(JobList& jobs, QObject* parent) : QAbstractTableModel(parent), m_jobs(jobs)
{
}

int JobListRows::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_jobs.rowCount();
}

int JobListRows::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant JobListRows::data(const QModelIndex&, int) const
{
    return {};
}

} // namespace transcast
