#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// One encoder run: where from, where to, and the option fragments in the
// order the command line joins them. Every fragment carries its own blanks,
// so the joined text reads exactly as users have always seen it.
struct intputrec {
    QString InputSpec;  // source path, or a DVD title locator
    QString OutputFile; // the file the encoder writes
    QString EncoderFile;
    QString WorkFolder; // the encoder's current directory
    QString VideoRateArg;
    QString AudioRateArg;
    int Seconds = 0; // the job's length, for the progress scale; not an option
    QString OptionsArg;
    QString SizeArg;
    QString SampleRateArg;
    QString ChannelsArg;
    QString AspectArg;
    QString LimitArg;

    // The one-line form: encoder, " -y ", " -i ", input, the fragments and
    // the output, paths quoted when they hold a blank.
    QString commandLine() const;
    // The same job as the encoder is started with: every path one argument,
    // the fragments split at their blanks. Never re-split from the joined
    // text, so paths with blanks or quotes stay whole.
    QStringList arguments() const;
};

using ConversionJob = intputrec;

} // namespace transcast
