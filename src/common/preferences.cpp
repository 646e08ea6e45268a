#include "common/preferences.h"

namespace transcast
{

const QStringList& PictureHandling::deinterlaceWords()
{
    static const QStringList words{QStringLiteral("automatic"), QStringLiteral("always"),
                                   QStringLiteral("never")};
    return words;
}

QString PictureHandling::deinterlaceWord() const
{
    return deinterlaceWords().at(static_cast<int>(deinterlace));
}

bool PictureHandling::setDeinterlaceWord(const QString& word)
{
    const int at = deinterlaceWords().indexOf(word);
    if (at < 0)
        return false;
    deinterlace = static_cast<Deinterlace>(at);
    return true;
}

QStringList PictureHandling::encoderEnvironment() const
{
    return {QStringLiteral("TRANSCAST_DEINTERLACE=") + deinterlaceWord(),
            QStringLiteral("TRANSCAST_FRAME_RATE=") +
                (frameRateAsSource ? QStringLiteral("source") : QStringLiteral("profile")),
            QStringLiteral("TRANSCAST_CROP=") +
                (cropBars ? QStringLiteral("automatic") : QStringLiteral("off"))};
}

void Preferences::setIntoOwnFormat(bool into)
{
    if (m_intoOwnFormat == into)
        return;
    m_intoOwnFormat = into;
    emit intoOwnFormatChanged(into);
}

void Preferences::setOutputFolderText(const QString& text)
{
    if (m_outputFolderText == text)
        return;
    m_outputFolderText = text;
    emit outputFolderTextChanged(text);
}

} // namespace transcast
