#include "engine/conversionjob.h"

#include "common/textutil.h"

namespace transcast
{

namespace
{
QString optionFragments(const intputrec& job)
{
    return job.VideoRateArg + job.AudioRateArg + job.ChannelsArg + job.AspectArg + job.LimitArg +
           job.SizeArg + QLatin1Char(' ') + job.SampleRateArg + job.OptionsArg;
}
} // namespace

QString intputrec::commandLine() const
{
    return QuoteArgument(EncoderFile) + QStringLiteral(" -y ") + QStringLiteral(" -i ") +
           QuoteArgument(InputSpec) + optionFragments(*this) + QLatin1Char(' ') +
           QuoteArgument(OutputFile);
}

QStringList intputrec::arguments() const
{
    QStringList args{QStringLiteral("-y"), QStringLiteral("-i"), InputSpec};
    args += optionFragments(*this).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    args.append(OutputFile);
    return args;
}

} // namespace transcast
