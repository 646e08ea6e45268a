#pragma once

#include <cstdio>

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>

namespace transcast
{

// For the start-up benchmark: prints the wall clock now (the first show is
// done), and after a second of idling the resident memory, then quits.
inline void reportStartupAndQuit()
{
    std::printf("first-show-epoch-ms=%lld\n",
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(stdout);
    QTimer::singleShot(1000, QCoreApplication::instance(), [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    std::printf("idle-rss-kb=%lld\n",
                                line.mid(6).trimmed().split(' ').first().toLongLong());
            }
        }
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}

} // namespace transcast
