#include "sources/discpath.h"

#include <QDir>
#include <QFileInfo>

namespace transcast
{

namespace
{

bool hasSuffix(const QFileInfo& info, const char* suffix)
{
    return info.suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

bool isVideoTsName(const QString& name)
{
    return name.compare(QLatin1String("VIDEO_TS"), Qt::CaseInsensitive) == 0;
}

// The title list reads every IFO in a folder but the menu's VIDEO_TS.IFO.
bool isTitleSetIfo(const QString& name)
{
    return name.endsWith(QLatin1String(".ifo"), Qt::CaseInsensitive) &&
           name.compare(QLatin1String("VIDEO_TS.IFO"), Qt::CaseInsensitive) != 0;
}

} // namespace

DiscPath::Kind DiscPath::kind(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile()) {
        if (hasSuffix(info, "ifo"))
            return Kind::IfoFile;
        if (hasSuffix(info, "iso"))
            return Kind::DiscImage;
        return Kind::NotDisc;
    }
    if (!info.isDir())
        return Kind::NotDisc;
    if (isVideoTsName(info.fileName()))
        return Kind::DiscFolder;
    const QDir folder(path);
    for (const QFileInfo& entry :
         folder.entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.isDir() ? isVideoTsName(entry.fileName()) : isTitleSetIfo(entry.fileName()))
            return Kind::DiscFolder;
    }
    return Kind::NotDisc;
}

DiscPath::Selection DiscPath::select(const QStringList& paths)
{
    Selection selection;
    for (const QString& path : paths) {
        switch (kind(path)) {
        case Kind::IfoFile:
            selection.ifoFiles << path;
            break;
        case Kind::DiscFolder:
        case Kind::DiscImage:
            if (selection.disc.isEmpty())
                selection.disc = path;
            break;
        case Kind::NotDisc:
            selection.notDiscs << path;
            break;
        }
    }
    return selection;
}

} // namespace transcast
