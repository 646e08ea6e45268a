#include "engine/conversionjob.h"

#include "common/textutil.h"

namespace transcast
{

namespace
{
QString optionFragments(const ConversionJob& job)
{
    return job.videoRateArg + job.audioRateArg + job.channelsArg + job.aspectArg + job.limitArg +
           job.sizeArg + QLatin1Char(' ') + job.sampleRateArg + job.optionsArg;
}
} // namespace

QString ConversionJob::commandLine() const
{
    return quoteArgument(encoderFile) + QStringLiteral(" -y ") + QStringLiteral(" -i ") +
           quoteArgument(input) + optionFragments(*this) + QLatin1Char(' ') +
           quoteArgument(outputFile);
}

QStringList ConversionJob::arguments() const
{
    QStringList args{QStringLiteral("-y"), QStringLiteral("-i"), input};
    args += optionFragments(*this).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    args.append(outputFile);
    return args;
}

} // namespace transcast
