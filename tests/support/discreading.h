#pragma once

#include <optional>

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include "sources/dvdtitles.h"

namespace transcast::testing
{

// Calls `start`, an action that may start a disc reading (openDisc, a
// dispatched "dvdopen", a mode switch), and lets the event loop run until
// the reading it started has ended (at most two minutes). `start` returns
// whether it started one; for a void action that is dvd.isReading() after
// it. What readingFinished said: whether titles were listed; false when no
// reading started or it did not end in time.
template <typename Start> bool readDisc(const DvdTitles& dvd, Start&& start)
{
    std::optional<bool> listed;
    QEventLoop loop;
    const QMetaObject::Connection finished =
        QObject::connect(&dvd, &DvdTitles::readingFinished, &loop, [&](bool ended) {
            listed = ended;
            loop.quit();
        });
    const bool started = start();
    if (started && !listed) {
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(finished);
    return started && listed.value_or(false);
}

// Waits for the reading under way, when one is (a restore the start began).
inline bool finishReading(const DvdTitles& dvd)
{
    return readDisc(dvd, [&] { return dvd.isReading(); });
}

} // namespace transcast::testing
