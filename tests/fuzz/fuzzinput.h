#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

// Small helpers shared by the fuzz targets: cutting one input into the
// pieces a pipe would deliver, and putting it into a file the way a user or
// another program would leave one.
namespace fuzz
{

// The input without its first byte, cut into blocks of 1 to maxBlock bytes;
// the first byte chooses the size, so the corpus explores both whole reads
// and reads that split a line anywhere.
inline std::vector<QByteArray> blocks(const uint8_t* data, size_t size, int maxBlock)
{
    std::vector<QByteArray> pieces;
    if (size == 0)
        return pieces;
    const size_t step = 1 + data[0] % static_cast<size_t>(maxBlock);
    for (size_t at = 1; at < size; at += step) {
        const size_t length = std::min(step, size - at);
        pieces.emplace_back(reinterpret_cast<const char*>(data + at), static_cast<int>(length));
    }
    return pieces;
}

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

// Replaces the file's whole content.
inline void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(content);
}

// A folder of this process's own under the temporary folder, made once and
// reused by every input (fuzzing runs one input after another).
inline QString scratchFolder(const char* name)
{
    const QString path = QDir::tempPath() + QStringLiteral("/transcast-fuzz-%1-%2")
                                                .arg(QString::fromLatin1(name))
                                                .arg(QCoreApplication::applicationPid());
    QDir().mkpath(path);
    return path;
}

// Stops the run with a report when an invariant of the code under test
// breaks, so libFuzzer keeps the input like a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace fuzz
