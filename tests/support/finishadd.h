#pragma once

#include <QEventLoop>
#include <QTimer>

#include "sources/sourcelist.h"

namespace transcast::testing
{

// Lets the event loop run until the add under way has ended (at most two
// minutes), as the CLI does before converting: an add returns at once and
// lists its rows later.
inline bool finishAdd(SourceList& sources)
{
    if (!sources.isAdding())
        return true;
    QEventLoop loop;
    QObject::connect(&sources, &SourceList::addEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    return !sources.isAdding();
}

} // namespace transcast::testing
