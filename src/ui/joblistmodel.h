#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace transcast
{

class JobList;

// The job list as the list view `lv` shows it: five columns (the caption and
// the four sub-items, the status made text here), check boxes on the first
// column when enabled (DVD rows), a tooltip from the row's record (why it
// failed, what the encoder noted, or its source), and files dropped on it
// handed to whoever listens. A status an earlier batch left, while a new
// batch has not reached its row, is shown faded, in italics, and says so.
class JobListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit JobListModel(JobList& jobs, QObject* parent = nullptr);

    // "File Name" in file mode, "Title" in DVD mode.
    void setFirstColumnCaption(const QString& caption);
    void setCheckBoxes(bool on);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
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
    JobList& m_jobs;
    QStringList m_headers;
    bool m_checkBoxes = false;
};

} // namespace transcast
