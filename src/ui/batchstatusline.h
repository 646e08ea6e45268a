#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;

namespace transcast
{

class Batch;
class JobList;

// The batch at a glance at the right end of the window's hint line: while a
// batch runs, "Converting 3 of 12 · 00:04:10 elapsed · about 00:07:30 left",
// renewed every second and at every report; when it has ended, its summary
// ("12 converted, 1 failed in 00:11:40", the failed rows named) until the
// next batch starts. The hint keeps the rest of its line: its text stops
// short of this one.
class BatchStatusLine : public QObject
{
    Q_OBJECT
public:
    // `hint` is the skin's hint label; the line is made as its sibling.
    BatchStatusLine(Batch& batch, JobList& jobs, QLabel& hint);

    // The whole text shown (the label may elide it).
    QString text() const { return m_text; }
    QLabel* label() const { return m_label; }

    // The summary of a batch that ended, with the failed rows named.
    static QString summaryText(const Batch& batch);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void show(const QString& text);
    void place();

    Batch& m_batch;
    QPointer<QLabel> m_hint;
    QLabel* m_label;
    QTimer m_clock;
    QString m_text;
};

} // namespace transcast
