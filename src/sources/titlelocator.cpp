#include "sources/titlelocator.h"

#include <QFile>

#include "dvd/dvdlocator.h"
#include "sources/joblist.h"

namespace transcast
{

QString titleLocator(const TConvertInfo& info)
{
    const std::string ifoPath = QFile::encodeName(info.IfoPath).toStdString();
    dvd::DvdLocator locator;
    locator.titleSet = dvd::titleSetOfIfoPath(ifoPath);
    locator.startPos = info.StartPos;
    locator.endPos = info.EndPos;
    locator.audioId = info.AudioId.toStdString();
    locator.subtitleId = info.SubtitleId.toStdString();
    locator.root = dvd::discRootOfIfoPath(ifoPath);
    return QFile::decodeName(QByteArray::fromStdString(dvd::formatDvdLocator(locator)));
}

} // namespace transcast
