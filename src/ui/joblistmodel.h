#pragma once

#include <QStringList>

#include "sources/joblistrows.h"

namespace transcast
{

// The job list as the list view `lv` shows it: five columns (the caption and
// the four sub-items, the status made text here), check boxes on the first
// column when enabled (DVD rows), a tooltip from the row's record (why it
// failed, what the encoder noted, or its source), and files dropped on it
// handed to whoever listens. A status an earlier batch left, while a new
// batch has not reached its row, is shown faded, in italics, and says so.
// It is the list's own rows model (made through JobList::RowsFactory), so
// the view shows the list's one selection.
class JobListModel : public JobListRows
{
    Q_OBJECT
public:
    explicit JobListModel(JobList& jobs, QObject* parent = nullptr);

    // "File Name" in file mode, "Title" in DVD mode.
    void setFirstColumnCaption(const QString& caption);
    // Shows or hides the check boxes, the rows and their selection kept.
    void setCheckBoxes(bool on);

    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;

    static constexpr int kColumnWidths[5] = {150, 100, 80, 80, 98};
    static constexpr int kStatusColumn = 4;
    static inline const QString kEarlierBatchTip =
        QStringLiteral("From an earlier batch: the latest batch has not converted this row");

signals:
    void filesDropped(const QStringList& paths);

private:
    QStringList m_headers;
    bool m_checkBoxes = false;
};

} // namespace transcast
