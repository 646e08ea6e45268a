#include "sources/titlelocator.h"

#include <QFile>

#include "dvd/dvdlocator.h"
#include "dvd/tracktext.h"
#include "sources/joblist.h"

namespace transcast
{

namespace
{

// The locator names no stream as "0".
std::string streamIdOrZero(int streamId)
{
    return streamId == DvdRowInfo::kNoStream ? "0" : dvd::streamIdText(streamId);
}

} // namespace

QString titleLocator(const DvdRowInfo& info)
{
    const std::string ifoPath = QFile::encodeName(info.ifoPath).toStdString();
    dvd::DvdLocator locator;
    locator.titleSet = dvd::titleSetOfIfoPath(ifoPath);
    locator.startPos = info.startSector;
    locator.endPos = info.endSector;
    locator.audioId = streamIdOrZero(info.audioId);
    locator.subtitleId = streamIdOrZero(info.subtitleId);
    locator.root = dvd::discRootOfIfoPath(ifoPath);
    return QFile::decodeName(QByteArray::fromStdString(dvd::formatDvdLocator(locator)));
}

} // namespace transcast
