#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// One encoder run: where from, where to, and the option fragments in the
// order the command line joins them. Every fragment carries its own blanks,
// so the joined text reads exactly as users have always seen it.
struct ConversionJob {
    QString input;      // source path, or a DVD title locator
    QString outputFile; // the file the encoder writes
    // "DEVICE:INODE" of the empty file created at outputFile when the name
    // was chosen, which the encoder then knows for its own to write; empty
    // when no file was made (a dry run, or a folder that takes none).
    QString reservedOutput;
    // Added to the encoder's environment: how it handles the picture.
    QStringList encoderEnvironment;
    // Added to it too: the row's own track choices ("TRANSCAST_AUDIO_STREAM=2"),
    // which a dry run shows before the command line.
    QStringList trackEnvironment;
    QString encoderFile;
    QString workFolder; // the encoder's current directory
    QString videoRateArg;
    QString audioRateArg;
    int seconds = 0; // the job's length, for the progress scale; not an option
    QString optionsArg;
    QString sizeArg;
    QString sampleRateArg;
    QString channelsArg;
    QString aspectArg;
    QString limitArg;

    // The one-line form: encoder, " -y ", " -i ", input, the fragments and
    // the output, paths quoted when they hold a blank.
    QString commandLine() const;
    // The same job as the encoder is started with: every path one argument,
    // the fragments split at their blanks. Never re-split from the joined
    // text, so paths with blanks or quotes stay whole.
    QStringList arguments() const;
};

} // namespace transcast
