#include "profiles/estimator.h"

#include <algorithm>
#include <optional>

#include <QLocale>

#include "common/textutil.h"
#include "profiles/optionboxes.h"
#include "profiles/profileselector.h"
#include "profiles/qualitytexts.h"

namespace transcast
{

namespace
{

constexpr int kNormal = 2;

// kbit/s per line of frame height, by quality index.
constexpr double kDefaultFactors[5] = {6.25, 4.16, 3.33, 2.13, 1.51};
constexpr double kMiniFactors[5] = {3.33, 2.13, 1.51, 1.06, 0.8};
constexpr double kExcellentFactors[5] = {10.41, 8.33, 6.25, 4.16, 3.33};

// HEVC, AV1 and VP9 keep a picture H.264 needs the default row for in
// about 60 % of its bits.
constexpr double kEfficientFactors[5] = {3.75, 2.5, 2.0, 1.28, 0.9};

// The small-file share profile holds its output under 25 MB: its total is
// aimed at 22 MB (the encoders land within a few percent, the container adds
// about 1 %), and the picture gets no less than this however long the source.
constexpr int kShareProfile = 145;
constexpr qint64 kShareTargetBytes = 22LL * 1024 * 1024;
constexpr int kShareLeastVideoKbps = 100;

// A lossless sound keeps its samples: about 60 % of their PCM rate for
// music, however high the quality box is set.
constexpr double kLosslessShare = 0.6;

const double* factorsFor(int profile)
{
    switch (profile) {
    case 133:
    case 134:
    case 135:
    case 136:
    case 137:
    case 138:
    case 140:
    case 141:
        return kEfficientFactors;
    case 144:
        return kExcellentFactors;
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

// The frame size a size entry names ("640x480(VGA)": the part before the
// label); not known for an entry without an "x" ("PAL", "No Video"). A
// height that is no whole number throws InvalidInteger; a width that is none
// leaves the size without pixels.
FrameSize entryFrameSize(const QString& entry)
{
    const qsizetype paren = entry.indexOf(QLatin1Char('('));
    const QString size = paren < 0 ? entry : entry.left(paren);
    const qsizetype x = size.indexOf(QLatin1Char('x'));
    if (x < 0)
        return FrameSize();
    FrameSize frame;
    frame.height = strToInt(size.mid(x + 1));
    frame.width = parseInt32(size.left(x)).value_or(0);
    return frame;
}

// The value of the last "-NAME VALUE" pair of an option line; null if none.
QString optionValue(const QString& line, const QString& name)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString value;
    for (int i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == name)
            value = words[i + 1];
    }
    return value;
}

} // namespace

Estimator::Estimator(const OptionBoxes& boxes, const ProfileSelector& profile)
    : m_boxes(boxes), m_profile(profile)
{
    const QString point = QLocale::system().decimalPoint();
    m_separator = point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

int Estimator::discTotalKbps(int profile)
{
    // What -target writes: VCD 1150 kb/s video + 224 kb/s MP2 at a constant
    // mux rate; SVCD 2040 + 224 plus about 5 % of pack and padding; DVD 6000 +
    // 448 kb/s AC-3 plus about 3 %. PAL and NTSC alike.
    switch (profile) {
    case 112:
        return 1393;
    case 113:
        return 2380;
    case 114:
        return 6640;
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

int Estimator::videoKbps(const SourceInfo& source) const
{
    const int p = m_profile.profileNumber();
    if (ProfileSelector::isListDriven(p)) {
        const auto& bitrateSlots = m_profile.videoBitrateSlots();
        if (bitrateSlots[0] == QStringLiteral("*"))
            return 0;
        return strToInt(bitrateSlots[static_cast<size_t>(videoQualityIndex())]);
    }
    const FrameSize size = outputFrameSize(source);
    if (m_boxes.videoBitrate.currentText() == kOriginalVideo) {
        const int sourceKbps = source.videoKbps;
        const qint64 sourcePixels = source.frameSize.pixels();
        const qint64 outputPixels = size.pixels();
        if (sourcePixels <= 0 || outputPixels <= 0 || outputPixels >= sourcePixels)
            return withinVideoChoices(sourceKbps);
        return withinVideoChoices(static_cast<int>(
            roundHalfEven(static_cast<double>(sourceKbps) * static_cast<double>(outputPixels) /
                          static_cast<double>(sourcePixels))));
    }

    const int kbps =
        static_cast<int>(roundHalfEven(size.height * factorsFor(p)[videoQualityIndex()]));
    if (p != kShareProfile || source.seconds() <= 0)
        return kbps;
    const qint64 budget = kShareTargetBytes * 8 / 1000 / source.seconds() - audioKbps(source);
    return static_cast<int>(std::clamp<qint64>(budget, kShareLeastVideoKbps, kbps));
}

FrameSize Estimator::outputFrameSize(const SourceInfo& source) const
{
    const QString size = m_boxes.size.currentText();
    if (size.isEmpty() || size == kOriginalSize)
        return source.frameSize;
    return entryFrameSize(size);
}

int Estimator::withinVideoChoices(int kbps) const
{
    if (kbps <= 0)
        return kbps;
    std::optional<int> lowest;
    std::optional<int> highest;
    for (const QString& slot : m_profile.videoBitrateSlots()) {
        if (const std::optional<int> choice = parseInt32(slot); choice && *choice > 0) {
            lowest = std::min(lowest.value_or(*choice), *choice);
            highest = std::max(highest.value_or(*choice), *choice);
        }
    }
    if (!lowest)
        return kbps;
    return std::clamp(kbps, *lowest, *highest);
}

int Estimator::askedAudioKbps(const SourceInfo& source) const
{
    if (m_boxes.audioBitrate.currentText() == kOriginalAudio) {
        const int kbps = source.audioKbps;
        return kbps > 0 ? std::clamp(kbps, kAudioKbps[4], kAudioKbps[0]) : kbps;
    }
    return kAudioKbps[audioQualityIndex()];
}

int Estimator::sampleRateFor(qint64 audioBits) const
{
    if (isNarrowBandOutput())
        return 8000;
    if (audioBits > 192000)
        return 48000;
    if (audioBits > 64000)
        return 44100;
    return 22050;
}

bool Estimator::isPcmOutput() const
{
    const QString codec = optionValue(m_profile.optionLine(), QStringLiteral("-acodec"));
    return codec == QStringLiteral("pcm_s16le") || codec == QStringLiteral("pcm_s16be") ||
           isLosslessOutput();
}

bool Estimator::isLosslessOutput() const
{
    const QString codec = optionValue(m_profile.optionLine(), QStringLiteral("-acodec"));
    return codec == QStringLiteral("flac") || codec == QStringLiteral("alac");
}

int Estimator::audioKbps(const SourceInfo& source) const
{
    if (isNarrowBandOutput())
        return static_cast<int>(roundHalfEven(narrowBandKbps()));
    const int asked = askedAudioKbps(source);
    if (!isPcmOutput())
        return asked;
    // The option line comes after the job's own -ar and -ac and wins.
    const QString line = m_profile.optionLine();
    const int rate = parseInt32(optionValue(line, QStringLiteral("-ar")))
                         .value_or(sampleRateFor(qint64(asked) * 1000));
    const int channels = parseInt32(optionValue(line, QStringLiteral("-ac"))).value_or(2);
    const double pcm = rate * channels * 16 / 1000.0;
    return static_cast<int>(roundHalfEven(isLosslessOutput() ? pcm * kLosslessShare : pcm));
}

int Estimator::totalKbps(const SourceInfo& source) const
{
    const int p = m_profile.profileNumber();
    if (ProfileSelector::isDiscProfile(p))
        return discTotalKbps(p);
    return videoKbps(source) + audioKbps(source);
}

QString Estimator::sizeText(qint64 kbps, qint64 seconds) const
{
    return bytesText(kbps * seconds * 1000 / 8);
}

qint64 Estimator::outputBytes(const SourceInfo& source) const
{
    return qint64(totalKbps(source)) * source.seconds() * 1000 / 8;
}

} // namespace transcast
