#pragma once

#include <chrono>
#include <string>

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/managedprocess.h"
#include "dvd/discdescriptions.h"
#include "dvd/titlesetsource.h"

namespace transcast
{

// The title sets of discs as the encoder describes them (`register.dat
// --describe-disc`, see dvd/DiscDescriptions for what is run and kept), run
// through a ManagedProcess on the main thread: nothing here waits, a request
// returns at once and is answered from the event loop. A run that goes
// `patience` without handing over output, or writes more than any disc's
// description, is killed, and the title set it was reading is the disc's
// fault. The encoder's error output is discarded: nothing is written to
// ours.
class EncoderTitleSets : public QObject, public dvd::TitleSetSource
{
    Q_OBJECT
public:
    // The encoder's output is read in blocks of this size.
    static constexpr qint64 BlockSize = 64 * 1024;

    // encoderPath: the register.dat to start.
    explicit EncoderTitleSets(
        const QString& encoderPath,
        std::chrono::milliseconds patience = dvd::DiscDescriptions::kDefaultPatience,
        QObject* parent = nullptr);
    // An encoder still reading is killed and reaped; no answer comes.
    ~EncoderTitleSets() override;

    void request(const std::string& ifoPath, Answered answered) override;
    void cancel() override;

private:
    // Starts the run the step asks for, or answers on the next turn of the
    // event loop.
    void go(dvd::DiscDescriptions::Step step);
    void receive(const QByteArray& block);
    void runEnded(const ManagedProcess::Exit& exit);
    void deliver();

    QString m_encoderPath;
    dvd::DiscDescriptions m_descriptions;
    ManagedProcess m_encoder{BlockSize};
    // Restarted by each block; its end kills the run.
    QTimer m_patience;
    // What the run wrote so far.
    std::string m_bytes;
    // The request under way (empty when none), and its answer once known,
    // handed over by m_deliver's zero timer.
    Answered m_answered;
    Answer m_answer;
    QTimer m_deliver;
};

} // namespace transcast
