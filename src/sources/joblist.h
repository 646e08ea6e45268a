#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QString>
#include <QVector>

#include "sources/jobrow.h"

class QItemSelectionModel;

namespace transcast
{

class JobListRows;

// The job list: one JobRow per job, in the order shown, with a caption
// ("File Name" / "Title") and four sub-items ("Width * Height", "Time",
// "Output Size", "Status"), a check box (DVD rows) and a selection. The list
// owns the records; every change goes through it and is announced, so views
// and the CLI follow without keeping copies.
//
// The selection is held once, in a QItemSelectionModel over the list's rows
// as an item model (JobListRows): a view shown over that model uses that
// selection model, so a click in the view and a selection the program makes
// are the same state, and a selected row stays selected as rows before it
// come and go. Whole rows are selected, by the list and by the view.
class JobList : public QObject
{
    Q_OBJECT
public:
    // The sub-items held as text; the fourth, "Status", is the row's typed
    // status, which views turn into text (jobStatusText).
    enum SubItem { FrameSizeColumn = 0, TimeColumn = 1, OutputSizeColumn = 2 };

    // What a change of a row touched: a converting row's progress alone, or
    // what a preview shows over it alone, neither of which a kept list
    // holds; or the record itself.
    enum class Change { Record, Progress, Preview };
    Q_ENUM(Change)

    // Makes the item model the list announces its rows through; it lives as
    // long as the list. The window's adds what its view shows.
    using RowsFactory = std::function<std::unique_ptr<JobListRows>(JobList&)>;

    // Over a plain JobListRows.
    explicit JobList(QObject* parent = nullptr);
    // Over the model `rows` makes (a plain one when it is empty); it is made
    // before the constructor returns.
    explicit JobList(const RowsFactory& rows, QObject* parent = nullptr);
    ~JobList() override;

    // The rows as an item model, and the list's one selection over it: a
    // view of the list is set to both.
    JobListRows& rowsModel() { return *m_model; }
    QItemSelectionModel& selectionModel() { return *m_selection; }

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }
    const JobRow& row(int index) const { return m_rows.at(static_cast<size_t>(index)); }
    QString caption(int row) const;
    // The text of a sub-item; empty for a row that does not exist.
    QString subItem(int row, int column) const;

    // The source and DVD parts of a row; empty ones for a row that does not
    // exist.
    const SourceInfo& sourceInfo(int row) const;
    const DvdRowInfo& convertInfo(int row) const;

    // Where the row of that identity (JobRow::id) stands now; -1 when it is
    // no longer listed.
    int indexOf(quint64 id) const;

    // Appends a whole record, giving it a new identity, and returns its
    // index.
    int appendRow(JobRow record);
    // Takes the row out; listeners hear its index and the record it held.
    void removeRow(int row);
    // Deletes every row.
    void clear();

    // Each change below does nothing to a row that does not exist.
    // Any change to the record, announced as one.
    void changeRow(int row, const std::function<void(JobRow&)>& change);
    void setOutputSize(int row, std::optional<qint64> bytes);
    // How the "Output Size" column writes a size in bytes; by default
    // megabytes with two decimals and ".", as "11.64MB". The estimate's own
    // rule, with the user's separator, is set by whoever makes estimates.
    using SizeText = std::function<QString(qint64 bytes)>;
    void setSizeText(SizeText text) { m_sizeText = std::move(text); }
    void setStatus(int row, JobStatus status, int progress = 0);
    // What a preview shows over the row's status (JobRow::preview).
    void setPreviewShown(int row, PreviewShown shown);
    // How a conversion of the row went: why it failed (empty when it did
    // not) and what the encoder said about it.
    void setJobReport(int row, const QString& failureReason, const QStringList& notes);
    // The track chosen in the row's audio or subtitle list (positions as
    // DvdRowInfo::chooseAudio and chooseSubtitle count them, for a file row
    // FileTracks'), and with it the stream it converts with; a position
    // without a track changes nothing.
    void setAudioChoice(int row, int position);
    void setSubtitleChoice(int row, int position);

    // A missing DVD row (DvdRowInfo::missing) stays unticked.
    void setChecked(int row, bool checked);
    // Selects or deselects the whole row; selectionChanged only when that
    // changed the selection.
    void setSelected(int row, bool selected);
    void clearSelection();
    // A row counts as selected when any cell of it is (only whole rows ever
    // are); false for a row that does not exist.
    bool isSelected(int row) const;
    // The selected rows in list order.
    QVector<int> selectedRows() const;
    // The first selected row, or -1.
    int firstSelected() const;

    // The list is hidden until something is added to it.
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

signals:
    void rowsReset();
    void rowAppended(int row);
    void rowRemoved(int row, const transcast::JobRow& removed);
    void rowChanged(int row,
                    transcast::JobList::Change change = transcast::JobList::Change::Record);
    // Whoever changed it: the program, or the user in a view. A selected row
    // removed, and Clear, announce it after rowRemoved and rowsReset, with
    // the rows as they now are; a row appended never changes it.
    void selectionChanged();
    void visibilityChanged(bool visible);

private:
    // The row to change, or null.
    JobRow* editable(int row);

    std::vector<JobRow> m_rows;
    quint64 m_lastId = 0;
    SizeText m_sizeText;
    bool m_visible = false;
    // Declared after the rows, so that they go before them; the selection
    // goes before the model it selects in.
    std::unique_ptr<JobListRows> m_model;
    std::unique_ptr<QItemSelectionModel> m_selection;
    // Rows are being inserted or removed, or the list cleared: what the
    // selection model says meanwhile is told once the rows are whole again.
    bool m_reshaping = false;
};

} // namespace transcast
