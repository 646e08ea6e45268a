#pragma once

#include <array>
#include <vector>

#include <QObject>
#include <QString>
#include <QVector>

namespace transcast
{

// What the probe learnt about a source, one entry per row. The fourth text
// is never set or read; it keeps the record's layout.
struct Toriginalinfo {
    QString FilePath;
    QString FrameSize;
    QString Duration;
    QString Unused;
    QString VideoBitrate;
    QString AudioBitrate;
};

// A DVD row's title or chapter.
struct TConvertInfo {
    QString AudioId;
    QString SubtitleId;
    qint32 StartPos = 0;
    qint32 EndPos = 0;
    QString IfoPath;
    qint64 Length = 0;
    qint32 StartTime = 0;
    qint32 EndTime = 0;
};

// The job list: one row per job with a caption ("File Name" / "Title") and
// four sub-items ("Width * Height", "Time", "Output Size", "Status"), a check
// box (DVD rows) and a selection. The source records run parallel to it,
// indexed by row, with their own length rules (see OriginalInfos).
class JobList : public QObject
{
    Q_OBJECT
public:
    enum SubItem { FrameSizeColumn = 0, TimeColumn = 1, OutputSizeColumn = 2, StatusColumn = 3 };

    struct Row {
        QString caption;
        std::array<QString, 4> subItems;
        bool checked = false;
        bool selected = false;
    };

    explicit JobList(QObject* parent = nullptr);

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }
    const Row& row(int index) const { return m_rows.at(static_cast<size_t>(index)); }
    QString subItem(int row, int column) const;
    QString caption(int row) const;

    // Appends a row with empty texts and returns its index.
    int appendRow(const QString& caption = QString());
    void setCaption(int row, const QString& caption);
    // Writes one sub-item; writing to a row that does not exist does nothing.
    void setSubItem(int row, int column, const QString& text);
    void removeRow(int row);
    // Deletes every row; the records keep their entries (see OriginalInfos).
    void clear();

    void setChecked(int row, bool checked);
    void setSelected(int row, bool selected);
    void clearSelection();
    QVector<int> selectedRows() const;
    // The first selected row, or -1.
    int firstSelected() const;

    // The list is hidden until something is added to it.
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    // The source record of every row, indexed by row. Adding a row sets the
    // length to the new row count; removing moves later entries down and
    // keeps the length; clearing keeps the entries. Entries past the last
    // row are stale and never read.
    QVector<Toriginalinfo> OriginalInfos;
    // The DVD record of every row, kept the same way by the DVD listing.
    QVector<TConvertInfo> ConvertInfos;

    // Before row `row` is removed: the records after it (source and DVD)
    // move down one place; the lengths stay.
    void moveRecordsDown(int row);

    // A record for a row, or an empty one when the arrays do not reach it.
    Toriginalinfo originalInfo(int row) const { return OriginalInfos.value(row); }

signals:
    void rowsReset();
    void rowAppended(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void selectionChanged();
    void visibilityChanged(bool visible);

private:
    std::vector<Row> m_rows;
    bool m_visible = false;
};

} // namespace transcast
