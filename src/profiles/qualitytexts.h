#pragma once

#include <QString>
#include <QStringList>

// Entry texts of the option boxes. The rules test the selected entry by its
// text, so these spellings ("Quliay" included) are part of the program.
namespace transcast
{

inline QStringList fixedQualityTexts()
{
    return {QStringLiteral("Higher Quality"), QStringLiteral("High Quality"),
            QStringLiteral("Normal"), QStringLiteral("Low Quality"),
            QStringLiteral("Lower Quality")};
}

inline const QString kOriginalSize = QStringLiteral("The original width and height");
inline const QString kOriginalVideo = QStringLiteral("The Original Video Quliay");
inline const QString kOriginalAudio = QStringLiteral("The Original Audio Quliay");
inline const QString kNoVideo = QStringLiteral("No Video");
inline const QString kPal = QStringLiteral("PAL");
inline const QString kNtsc = QStringLiteral("NTSC");

} // namespace transcast
