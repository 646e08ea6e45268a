#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include <QByteArray>
#include <QString>

namespace transcast
{

// Writes one file, kept up to date, on a thread of its own, so that the
// window never waits for the disk (a write is synced to it before it counts,
// which can take long on a busy or slow one). Each write replaces the file
// whole: written aside, synced, then renamed over it, so a crash or a power
// cut leaves the old content or the new, never a torn file. Only the latest
// request matters: one not yet started when a newer one comes is dropped.
// A write that fails (a full disk) leaves the file as it was.
// All calls come from one thread (the main thread); the thread starts with
// the first request and ends with the object, after its last request.
class BackgroundFileWriter
{
public:
    BackgroundFileWriter() = default;
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    void replace(const QString& path, QByteArray data);
    void remove(const QString& path);
    // Returns once every request made so far is done.
    void wait();

private:
    struct Request {
        QString path;
        std::optional<QByteArray> data; // none: remove the file
    };

    void request(Request next);
    void run();
    static void carryOut(const Request& request);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Request> m_next;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace transcast
