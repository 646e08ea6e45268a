#include "ui/skippedfilesreport.h"

#include <utility>

#include "common/interaction.h"
#include "sources/sourcelist.h"

namespace transcast
{

SkippedFilesReport::SkippedFilesReport(SourceList& sources, Interaction& interaction,
                                       QObject* parent)
    : QObject(parent), m_interaction(interaction)
{
    connect(&sources, &SourceList::fileSkipped, this,
            [this](const QString& path, const QString& reason) {
                m_skipped.append({path, reason});
            });
    connect(&sources, &SourceList::addEnded, this, &SkippedFilesReport::addEnded);
}

void SkippedFilesReport::addEnded()
{
    if (m_skipped.isEmpty())
        return;
    const QList<QPair<QString, QString>> skipped = std::exchange(m_skipped, {});
    QString text = skipped.size() == 1
                       ? QStringLiteral("This file was not listed:")
                       : QStringLiteral("These %1 files were not listed:").arg(skipped.size());
    for (int i = 0; i < skipped.size() && i < kMaxNamed; ++i) {
        const auto& [path, reason] = skipped.at(i);
        // The encoder's reason usually begins with the path already.
        const QString said = reason.isEmpty() ? QStringLiteral("it cannot be read") : reason;
        text +=
            QLatin1Char('\r') + (said.startsWith(path) ? said : path + QStringLiteral(": ") + said);
    }
    if (skipped.size() > kMaxNamed)
        text += QStringLiteral("\rand %1 more.").arg(skipped.size() - kMaxNamed);
    m_interaction.inform(text);
}

} // namespace transcast
