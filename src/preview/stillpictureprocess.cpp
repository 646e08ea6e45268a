#include "preview/stillpictureprocess.h"

#include <QStringList>

namespace transcast
{

namespace
{

// Blocks as large as a pipe hands over at once: a picture is megabytes.
constexpr qint64 kBlockSize = 1 << 16;
constexpr int kDefaultLimitMs = 20000;

} // namespace

StillPictureProcess::StillPictureProcess(QString program, QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_process(kBlockSize)
{
    m_limit.setSingleShot(true);
    m_limit.setInterval(kDefaultLimitMs);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_process.abandon();
        fail(tr("it gave no picture in time."));
    });
    connect(&m_process, &ManagedProcess::received, this,
            [this](const QByteArray& block) { m_output += block; });
    connect(&m_process, &ManagedProcess::ended, this, &StillPictureProcess::ended);
}

void StillPictureProcess::grab(const QString& source)
{
    cancel();
    m_source = source;
    m_limit.start();
    m_process.start(
        m_program,
        {QString::number(m_maximumSize.width()), QString::number(m_maximumSize.height()), source},
        QString(), ManagedProcess::Output::StandardOutput);
}

void StillPictureProcess::cancel()
{
    m_limit.stop();
    if (m_process.isRunning())
        m_process.abandon();
    m_source.clear();
    m_output.clear();
}

void StillPictureProcess::fail(const QString& reason)
{
    const QString source = m_source;
    cancel();
    emit failed(source, reason);
}

void StillPictureProcess::ended(const ManagedProcess::Exit& exit)
{
    m_limit.stop();
    if (!exit.started) {
        fail(tr("the picture reader could not be started: %1").arg(exit.startFailure()));
        return;
    }
    if (exit.crashed) {
        fail(tr("the video library failed on it."));
        return;
    }
    const PreviewFrame frame = frameFrom(m_output);
    if (frame.isNull()) {
        const QString said = QString::fromUtf8(m_output.left(512));
        fail(said.startsWith(QLatin1String("FAILED ")) ? said.mid(7).trimmed()
                                                       : tr("it could not be read."));
        return;
    }
    const QString source = m_source;
    m_source.clear();
    m_output.clear();
    emit grabbed(source, frame);
}

PreviewFrame StillPictureProcess::frameFrom(const QByteArray& output)
{
    const qsizetype end = output.indexOf('\n');
    if (end < 0 || end > 64)
        return {};
    const QList<QByteArray> fields = output.left(end).split(' ');
    if (fields.size() != 4 || fields.at(0) != "STILL")
        return {};
    PreviewFrame frame;
    bool ok[3] = {};
    frame.width = fields.at(1).toInt(&ok[0]);
    frame.height = fields.at(2).toInt(&ok[1]);
    frame.stride = fields.at(3).toInt(&ok[2]);
    // Sizes that a picture of at most 1 << 14 pixels a side can have, and
    // exactly the bytes they promise.
    if (!ok[0] || !ok[1] || !ok[2] || frame.width <= 0 || frame.height <= 0 ||
        frame.width > (1 << 14) || frame.height > (1 << 14) || frame.stride < frame.width * 4 ||
        frame.stride % 4 != 0 || frame.stride > frame.width * 4 + 4096 ||
        output.size() - end - 1 != qsizetype(frame.stride) * frame.height)
        return {};
    frame.pixels = output.mid(end + 1);
    return frame;
}

} // namespace transcast
