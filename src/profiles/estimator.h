#pragma once

#include <QString>

namespace transcast
{

class Interaction;
class JobList;
class ProfileSelector;
struct OptionBoxes;

// Bit rates behind the current choices and the estimated output size of
// every job row ("Output Size").
//
// Choices the rules leave open, decided here:
// - a quality box without a selection (a remembered position outside its
//   list) counts as "Normal";
// - a size entry without a height ("No Video", "PAL") gives a video term of 0;
// - an AMR output (".3gp", ".amr") with the source's audio quality counts the
//   best narrow-band rate, 12.2 kbit/s.
// A text that must be a whole number and is not (a bitrate slot, a row's
// bitrate, a frame height) throws InvalidInteger from the kbps functions.
class Estimator
{
public:
    Estimator(JobList& jobs, const OptionBoxes& boxes, const ProfileSelector& profile,
              Interaction& interaction);

    int videoKbps(int row) const;
    int audioKbps(int row) const;
    int totalKbps(int row) const;

    // Position of the selected quality entry, "Normal" when none.
    int videoQualityIndex() const;
    int audioQualityIndex() const;
    // The narrow-band rate of the selected audio quality, kbit/s.
    double narrowBandKbps() const;
    bool isNarrowBandOutput() const;

    // kbps x seconds as megabytes with two decimals and "MB":
    // 1628 kbit/s for 60 s gives "11.64MB".
    QString sizeText(qint64 kbps, qint64 seconds) const;

    // Rewrites "Output Size" for every row, in list order. A bad number
    // stops the refresh at that row with the message through the error box;
    // the rows before keep their new estimate. Returns false then.
    bool refreshEstimates() const;

    // The user's decimal separator by default.
    void setDecimalSeparator(QChar separator) { m_separator = separator; }
    QChar decimalSeparator() const { return m_separator; }

    static constexpr int kAudioKbps[5] = {320, 192, 128, 64, 32};
    static constexpr double kNarrowBandKbps[5] = {12.2, 10.2, 7.4, 5.9, 4.75};
    static int discTotalKbps(int profile);

private:
    JobList& m_jobs;
    const OptionBoxes& m_boxes;
    const ProfileSelector& m_profile;
    Interaction& m_interaction;
    QChar m_separator;
};

} // namespace transcast
