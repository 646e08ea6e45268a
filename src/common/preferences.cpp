#include "common/preferences.h"

namespace transcast
{

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
