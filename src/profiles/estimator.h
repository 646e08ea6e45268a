#pragma once

#include <QString>

#include "common/sourceinfo.h"

namespace transcast
{

class ProfileSelector;
struct OptionBoxes;

// Bit rates behind the current choices and the estimated output size of a
// source ("Output Size"). It reads the choices and the source it is given
// and returns values; whoever holds the rows writes them (the Controller).
//
// Choices the rules leave open, decided here:
// - a quality box without a selection (a remembered position outside its
//   list) counts as "Normal";
// - a size entry without a height ("No Video", "PAL") gives a video term of 0;
// - an AMR output (".3gp", ".amr") with the source's audio quality counts the
//   best narrow-band rate, 12.2 kbit/s.
// Where the table figures would promise a size the file never has, the
// estimate follows what the job really asks for, and the job builder takes
// the same figures from here:
// - a size-driven profile whose size box has no selection (131 has no
//   remembered choices) keeps the source's frame size, so its video term is
//   the source's height times the factor, not 0;
// - "The Original Video Quliay" keeps the source's bits per pixel: the
//   source's video bitrate scaled by output pixels / source pixels, never
//   above the source's bitrate;
// - the source's qualities are held within the profile's own choices: its
//   video bitrate between the lowest and the highest item of the profile's
//   bitrate line, its audio bitrate between the audio table's 32 and 320
//   kbit/s. A source measured at 4 kbit/s (a mostly silent track) or at
//   130 Mbit/s (a camera's master) would otherwise ask that of an encoder
//   made for neither. A rate nobody could tell (0) is left to the encoder;
// - 16-bit PCM audio (WAV, AIFF, AU) ignores -ab: it counts sample rate x
//   channels x 16 bits;
// - FLAC and ALAC count 60 % of that PCM rate, what they keep of music
//   (noise keeps more, silence far less: their sizes are no promise);
// - HEVC, AV1 and VP9 profiles ask about 60 % of H.264's bits per line, the
//   video site profile the Excellent row's; the small-file share profile
//   lowers its picture's rate so that the whole output stays under 25 MB;
// - the disc targets count what ffmpeg's -target writes (its video and audio
//   rates and the program stream's packs), not the old fixed totals.
// A number of the profile's own texts that is not whole (a bitrate slot, the
// height of a size entry) throws InvalidInteger from the kbps and size
// functions; a source's values are numbers already.
class Estimator
{
public:
    Estimator(const OptionBoxes& boxes, const ProfileSelector& profile);

    int videoKbps(const SourceInfo& source) const;
    int audioKbps(const SourceInfo& source) const;
    int totalKbps(const SourceInfo& source) const;
    // The audio bitrate the job asks for with -ab, kbit/s (not narrow-band).
    int askedAudioKbps(const SourceInfo& source) const;

    // The frame size the output gets: the selected size entry's (up to its
    // "("), or the source's own for "The original width and height" and for
    // a size box without a selection. Not known for an entry that names none
    // ("PAL", "No Video"); an entry whose height is not a whole number
    // throws InvalidInteger.
    FrameSize outputFrameSize(const SourceInfo& source) const;

    // The sample rate the job's -ar asks for an -ab of `audioBits`.
    int sampleRateFor(qint64 audioBits) const;
    // The profile's option line names a 16-bit PCM audio encoder, or a
    // lossless one (FLAC, ALAC), whose rate the samples set.
    bool isPcmOutput() const;
    bool isLosslessOutput() const;

    // Position of the selected quality entry, "Normal" when none.
    int videoQualityIndex() const;
    int audioQualityIndex() const;
    // The narrow-band rate of the selected audio quality, kbit/s.
    double narrowBandKbps() const;
    bool isNarrowBandOutput() const;

    // kbps x seconds as megabytes with two decimals and "MB":
    // 1628 kbit/s for 60 s gives "11.64MB".
    QString sizeText(qint64 kbps, qint64 seconds) const;
    // A size in bytes the same way, with the user's separator.
    QString bytesText(qint64 bytes) const { return megabytesText(bytes, m_separator); }
    // The "Output Size" of the source, in bytes: its total rate for its
    // whole duration.
    qint64 outputBytes(const SourceInfo& source) const;

    // The user's decimal separator by default.
    void setDecimalSeparator(QChar separator) { m_separator = separator; }
    QChar decimalSeparator() const { return m_separator; }

    static constexpr int kAudioKbps[5] = {320, 192, 128, 64, 32};
    static constexpr double kNarrowBandKbps[5] = {12.2, 10.2, 7.4, 5.9, 4.75};
    static int discTotalKbps(int profile);

private:
    // kbps held between the lowest and the highest whole number of the
    // profile's bitrate slots; as it is when it is 0 or no slot is a number.
    int withinVideoChoices(int kbps) const;

    const OptionBoxes& m_boxes;
    const ProfileSelector& m_profile;
    QChar m_separator;
};

} // namespace transcast
