#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// What a path the user names stands for as a DVD source. The window's drop,
// Add IFO, the title list and transcast-cli all ask here, so that a path is a
// disc to every one of them or to none.
class DiscPath
{
public:
    enum class Kind {
        // Not a disc: a video file, a folder without title sets, a path
        // that does not exist.
        NotDisc,
        // A title set's IFO file (any case of ".ifo"); several open together.
        IfoFile,
        // A disc folder: VIDEO_TS itself (any case), the folder holding it,
        // or a folder holding title-set IFO files directly (a copied disc
        // whose VIDEO_TS was renamed). Opens as Add DVD opens it.
        DiscFolder,
        // An .iso disc image file; opens as the disc it holds.
        DiscImage,
    };

    // Reads only the path's own entry and, for a folder, its names; never a
    // file's contents, so a hostile disc cannot stall the question.
    static Kind kind(const QString& path);
    static bool isDisc(const QString& path) { return kind(path) != Kind::NotDisc; }

    // Paths sorted for opening: the first disc folder or image (one disc at
    // a time), the IFO files in their order, and the rest, which are none.
    struct Selection {
        QString disc;
        QStringList ifoFiles;
        QStringList notDiscs;
        bool onlyIfoFiles() const
        {
            return disc.isEmpty() && notDiscs.isEmpty() && !ifoFiles.isEmpty();
        }
    };
    static Selection select(const QStringList& paths);
};

} // namespace transcast
