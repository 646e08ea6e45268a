#include "sources/titlelocator.h"

#include <QFile>

#include "dvd/dvdlocator.h"
#include "sources/joblist.h"

namespace transcast
{

QString titleLocator(const DvdRowInfo& info)
{
    const std::string ifoPath = QFile::encodeName(info.ifoPath).toStdString();
    dvd::DvdLocator locator;
    locator.titleSet = dvd::titleSetOfIfoPath(ifoPath);
    locator.startPos = info.startSector;
    locator.endPos = info.endSector;
    locator.audioId = info.audioId;
    locator.subtitleId = info.subtitleId;
    locator.root = dvd::discRootOfIfoPath(ifoPath);
    return QFile::decodeName(QByteArray::fromStdString(dvd::formatDvdLocator(locator)));
}

} // namespace transcast
