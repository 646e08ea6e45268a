#include "control/jobstatustext.h"

#include "engine/progressscan.h"
#include "sources/jobrow.h"

namespace transcast
{

QString jobStatusText(const JobRow& row)
{
    switch (row.preview) {
    case PreviewShown::Playing:
        return QStringLiteral("Play");
    case PreviewShown::Paused:
        return QStringLiteral("Pause");
    case PreviewShown::None:
        break;
    }
    switch (row.status) {
    case JobStatus::Listed:
        if (row.dvd.missing)
            return row.dvd.missingReason();
        return row.isDvd() ? QStringLiteral("Ready") : QStringLiteral("Status");
    case JobStatus::Converting:
        return QString::fromLatin1(percentText(row.progress));
    case JobStatus::Finished:
        return QStringLiteral("Finish");
    case JobStatus::Failed:
        return QStringLiteral("Failed");
    case JobStatus::Stopped:
        return QStringLiteral("Stop");
    }
    return QString();
}

} // namespace transcast
