#include "common/backgroundfilewriter.h"

#include <QFile>
#include <QSaveFile>

namespace transcast
{

BackgroundFileWriter::~BackgroundFileWriter()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundFileWriter::replace(const QString& path, QByteArray data)
{
    request(Request{path, std::move(data)});
}

void BackgroundFileWriter::remove(const QString& path)
{
    request(Request{path, std::nullopt});
}

void BackgroundFileWriter::request(Request next)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_next = std::move(next);
        if (!m_thread.joinable())
            m_thread = std::thread(&BackgroundFileWriter::run, this);
    }
    m_changed.notify_all();
}

void BackgroundFileWriter::wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_next && !m_busy; });
}

void BackgroundFileWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_next || m_quit; });
        if (!m_next)
            return;
        const Request current = std::move(*m_next);
        m_next.reset();
        m_busy = true;
        lock.unlock();
        carryOut(current);
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

void BackgroundFileWriter::carryOut(const Request& request)
{
    if (!request.data) {
        QFile::remove(request.path);
        return;
    }
    QSaveFile file(request.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*request.data) != request.data->size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

} // namespace transcast
