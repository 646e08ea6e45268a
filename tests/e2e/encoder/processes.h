#pragma once

// Looking at the processes a test started: register.dat's ffmpeg must never
// outlive it.

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

namespace transcast::testclips
{

// The state letter of /proc/PID/stat; empty when the process is gone.
inline QString processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close < 0 ? QString() : QString::fromLatin1(text.mid(close + 2, 1));
}

// The children of a process, from every /proc/PID/stat's parent field.
inline QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!numeric || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent)
            children << pid;
    }
    return children;
}

// Dead: gone, or a zombie nobody reaps (a container's first process may not).
inline bool waitForDeath(qint64 pid)
{
    for (int i = 0; i < 50; ++i) {
        const QString state = processState(pid);
        if (state.isEmpty() || state == QLatin1String("Z"))
            return true;
        QThread::msleep(100);
    }
    return false;
}

} // namespace transcast::testclips
