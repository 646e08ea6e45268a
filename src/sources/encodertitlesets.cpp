#include "sources/encodertitlesets.h"

#include <utility>

#include <QFile>
#include <QStringList>

namespace transcast
{

EncoderTitleSets::EncoderTitleSets(const QString& encoderPath, std::chrono::milliseconds patience,
                                   QObject* parent)
    : QObject(parent), m_encoderPath(encoderPath),
      m_descriptions(QFile::encodeName(encoderPath).toStdString())
{
    m_patience.setSingleShot(true);
    m_patience.setInterval(patience);
    m_deliver.setSingleShot(true);
    m_deliver.setInterval(0);
    // A damaged file could send libdvdread round in circles: a run that
    // hands over nothing for so long is given up, as one that crashed.
    connect(&m_patience, &QTimer::timeout, &m_encoder, &ManagedProcess::kill);
    connect(&m_deliver, &QTimer::timeout, this, &EncoderTitleSets::deliver);
    connect(&m_encoder, &ManagedProcess::received, this, &EncoderTitleSets::receive);
    connect(&m_encoder, &ManagedProcess::ended, this, &EncoderTitleSets::runEnded);
}

EncoderTitleSets::~EncoderTitleSets()
{
    cancel();
}

void EncoderTitleSets::request(const std::string& ifoPath, Answered answered)
{
    Q_ASSERT(!m_answered);
    m_answered = std::move(answered);
    go(m_descriptions.begin(ifoPath));
}

void EncoderTitleSets::cancel()
{
    m_answered = nullptr;
    m_deliver.stop();
    m_patience.stop();
    m_encoder.abandon();
    m_descriptions.abandon();
    m_bytes.clear();
}

void EncoderTitleSets::go(dvd::DiscDescriptions::Step step)
{
    if (step.answered()) {
        m_answer = {std::move(step.titleSet), std::move(step.problem), std::move(step.damage)};
        m_deliver.start();
        return;
    }
    m_bytes.clear();
    QStringList arguments;
    for (const std::string& argument : step.arguments)
        arguments << QFile::decodeName(QByteArray::fromStdString(argument));
    m_patience.start();
    m_encoder.start(m_encoderPath, arguments, QString(), ManagedProcess::Output::StandardOutput);
}

void EncoderTitleSets::receive(const QByteArray& block)
{
    m_bytes.append(block.constData(), static_cast<size_t>(block.size()));
    // An encoder that goes on writing is not describing a disc.
    if (m_bytes.size() > dvd::DiscDescriptions::kMaxDescription) {
        m_patience.stop();
        m_encoder.kill();
        return;
    }
    if (m_patience.isActive())
        m_patience.start();
}

void EncoderTitleSets::runEnded(const ManagedProcess::Exit& exit)
{
    m_patience.stop();
    dvd::DiscDescriptions::Run run;
    if (!exit.started) {
        run.end = dvd::DiscDescriptions::Run::End::NotStarted;
        run.startFailure = exit.startFailure().toStdString();
    } else if (exit.crashed || exit.stopped) {
        run.end = dvd::DiscDescriptions::Run::End::Died;
    } else {
        run.end = dvd::DiscDescriptions::Run::End::Exited;
        run.status = exit.exitCode;
    }
    run.bytes = std::move(m_bytes);
    m_bytes.clear();
    go(m_descriptions.ran(run));
}

void EncoderTitleSets::deliver()
{
    // The handler may ask for the next title set at once.
    Answered answered = std::move(m_answered);
    m_answered = nullptr;
    const Answer answer = std::move(m_answer);
    if (answered)
        answered(answer);
}

} // namespace transcast
