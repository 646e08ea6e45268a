#include "profiles/estimator.h"

#include <QLocale>

#include "common/interaction.h"
#include "common/textutil.h"
#include "profiles/optionbox.h"
#include "profiles/profileselector.h"
#include "profiles/qualitytexts.h"
#include "sources/joblist.h"

namespace transcast
{

namespace
{

constexpr int kNormal = 2;

// kbit/s per line of frame height, by quality index.
constexpr double kDefaultFactors[5] = {6.25, 4.16, 3.33, 2.13, 1.51};
constexpr double kMiniFactors[5] = {3.33, 2.13, 1.51, 1.06, 0.8};
constexpr double kExcellentFactors[5] = {10.41, 8.33, 6.25, 4.16, 3.33};

const double* factorsFor(int profile)
{
    switch (profile) {
    case 118:
    case 121:
        return kMiniFactors;
    case 120:
    case 123:
        return kExcellentFactors;
    default: // 119 and 122 use the same row as every other profile
        return kDefaultFactors;
    }
}

int fixedIndex(int index)
{
    return (index >= 0 && index < 5) ? index : kNormal;
}

// The height after the first "x", up to a "(" label; null when no "x".
QString heightText(const QString& size)
{
    const int x = size.indexOf(QLatin1Char('x'));
    if (x < 0)
        return QString();
    QString height = size.mid(x + 1);
    const int paren = height.indexOf(QLatin1Char('('));
    if (paren >= 0)
        height.truncate(paren);
    return height;
}

} // namespace

Estimator::Estimator(JobList& jobs, const OptionBoxes& boxes, const ProfileSelector& profile,
                     Interaction& interaction)
    : m_jobs(jobs), m_boxes(boxes), m_profile(profile), m_interaction(interaction)
{
    const QString point = QLocale::system().decimalPoint();
    m_separator = point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

int Estimator::discTotalKbps(int profile)
{
    switch (profile) {
    case 112:
        return 1393;
    case 113:
        return 1948;
    case 114:
        return 3222;
    default:
        return 0;
    }
}

int Estimator::videoQualityIndex() const
{
    return fixedIndex(m_boxes.videoBitrate.currentIndex());
}

int Estimator::audioQualityIndex() const
{
    return fixedIndex(m_boxes.audioBitrate.currentIndex());
}

bool Estimator::isNarrowBandOutput() const
{
    const QString extension = m_profile.outputExtension();
    return extension == QStringLiteral(".3gp") || extension == QStringLiteral(".amr");
}

double Estimator::narrowBandKbps() const
{
    if (m_boxes.audioBitrate.currentText() == kOriginalAudio)
        return kNarrowBandKbps[0];
    return kNarrowBandKbps[audioQualityIndex()];
}

int Estimator::videoKbps(int row) const
{
    const int p = m_profile.profileNumber();
    if (ProfileSelector::isListDriven(p)) {
        const auto& bitrateSlots = m_profile.videoBitrateSlots();
        if (bitrateSlots[0] == QStringLiteral("*"))
            return 0;
        return strToInt(bitrateSlots[static_cast<size_t>(videoQualityIndex())]);
    }
    if (m_boxes.videoBitrate.currentText() == kOriginalVideo)
        return strToInt(m_jobs.originalInfo(row).VideoBitrate);

    // No size chosen (a profile without remembered choices, 131): the job
    // leaves the source its own size, so the estimate takes that size too.
    const QString size = m_boxes.size.currentText();
    const QString height = heightText(
        size == kOriginalSize || size.isEmpty() ? m_jobs.originalInfo(row).FrameSize : size);
    if (height.isNull())
        return 0;
    return static_cast<int>(roundHalfEven(strToInt(height) * factorsFor(p)[videoQualityIndex()]));
}

int Estimator::audioKbps(int row) const
{
    if (isNarrowBandOutput())
        return static_cast<int>(roundHalfEven(narrowBandKbps()));
    if (m_boxes.audioBitrate.currentText() == kOriginalAudio)
        return strToInt(m_jobs.originalInfo(row).AudioBitrate);
    return kAudioKbps[audioQualityIndex()];
}

int Estimator::totalKbps(int row) const
{
    const int p = m_profile.profileNumber();
    if (ProfileSelector::isDiscProfile(p))
        return discTotalKbps(p);
    return videoKbps(row) + audioKbps(row);
}

QString Estimator::sizeText(qint64 kbps, qint64 seconds) const
{
    const double megabytes = static_cast<double>(kbps * seconds) / 8 / 1024 * 1000 / 1024;
    return formatFixed(megabytes, 5, 2, m_separator) + QStringLiteral("MB");
}

bool Estimator::refreshEstimates() const
{
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        try {
            const int seconds = DurationToSeconds(m_jobs.originalInfo(row).Duration);
            m_jobs.setSubItem(row, JobList::OutputSizeColumn, sizeText(totalKbps(row), seconds));
        } catch (const InvalidInteger& bad) {
            m_interaction.error(bad.message());
            return false;
        }
    }
    return true;
}

} // namespace transcast
