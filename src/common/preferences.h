#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

namespace transcast
{

// What register.dat does to the picture besides fitting it: deinterlace
// (automatic: when the source is interlaced or telecined), the output's frame
// rate (the profile's, or the source's where the profile's device plays it),
// black bars cropped. Kept in the settings file as the words the encoder's
// environment takes.
struct PictureHandling {
    enum class Deinterlace { Automatic, Always, Never };
    Deinterlace deinterlace = Deinterlace::Automatic;
    bool frameRateAsSource = false;
    bool cropBars = false;

    static const QStringList& deinterlaceWords(); // "automatic", "always", "never"
    QString deinterlaceWord() const;
    // False when the word is none of deinterlaceWords().
    bool setDeinterlaceWord(const QString& word);
    // "TRANSCAST_DEINTERLACE=...", "TRANSCAST_FRAME_RATE=...", "TRANSCAST_CROP=...".
    QStringList encoderEnvironment() const;
    bool operator==(const PictureHandling& other) const
    {
        return deinterlace == other.deinterlace && frameRateAsSource == other.frameRateAsSource &&
               cropBars == other.cropBars;
    }
};

// The user's choices that the settings file keeps and the batch reads: the
// conversion direction, the output folder, what to do after a batch, how
// many rows convert side by side and how the picture is handled. The settings store loads them, the
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
    const PictureHandling& pictureHandling() const { return m_picture; }
    void setPictureHandling(const PictureHandling& handling) { m_picture = handling; }

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
    PictureHandling m_picture;
};

} // namespace transcast
