#pragma once

#include <QObject>
#include <QString>
#include <QThread>

namespace transcast
{

// The user's choices that the settings file keeps and the batch reads: the
// conversion direction, the output folder, what to do after a batch and how
// many rows convert side by side. The settings store loads them, the
// Controller's commands change them (the window's and the CLI's), and each
// change is signalled so views follow it. Main thread only.
class Preferences : public QObject
{
    Q_OBJECT
public:
    explicit Preferences(QObject* parent = nullptr) : QObject(parent) {}

    // Conversion direction: true converts video into the edition's own
    // format, false converts out of it.
    bool intoOwnFormat() const { return m_intoOwnFormat; }
    void setIntoOwnFormat(bool into);

    // The folder that receives the outputs (with a trailing separator once
    // a batch has used it), and the text the output-folder box shows: a
    // typed text becomes the folder only when a batch starts.
    const QString& outputFolder() const { return m_outputFolder; }
    const QString& outputFolderText() const { return m_outputFolderText; }
    void setOutputFolder(const QString& folder) { m_outputFolder = folder; }
    void setOutputFolderText(const QString& text);

    // After a batch: 0 nothing, 1 open the output folder, 2 shut down.
    int finishAction() const { return m_finishAction; }
    void setFinishAction(int action) { m_finishAction = action; }

    // How many rows a batch converts side by side (1 .. the machine's
    // cores); 1 converts one row after the other. Set in range.
    int conversionsAtOnce() const { return m_conversionsAtOnce; }
    void setConversionsAtOnce(int count)
    {
        m_conversionsAtOnce = qBound(1, count, maxConversionsAtOnce());
    }
    // The most conversions at once: one per core.
    static int maxConversionsAtOnce() { return qMax(1, QThread::idealThreadCount()); }

signals:
    void intoOwnFormatChanged(bool into);
    void outputFolderTextChanged(const QString& text);

private:
    bool m_intoOwnFormat = true;
    QString m_outputFolder;
    QString m_outputFolderText;
    int m_finishAction = 0;
    int m_conversionsAtOnce = 1;
};

} // namespace transcast
