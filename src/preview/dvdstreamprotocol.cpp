#include "preview/dvdstreamprotocol.h"

#include <QFile>

#include "dvd/dvdlocator.h"
#include "dvd/continuoustitlereader.h"

namespace transcast
{

namespace
{

class TitleStream : public StreamReader
{
public:
    dvd::ContinuousTitleReader reader;

    qint64 read(char* buffer, qint64 size) override
    {
        const std::int64_t count = reader.read(m_position, buffer, size);
        if (count > 0)
            m_position += count;
        return count;
    }
    bool seek(qint64 position) override
    {
        if (position < 0 || position > reader.size())
            return false;
        m_position = position;
        return true;
    }
    // Unknown on purpose: a demuxer that knows the end of an MPEG program
    // stream reads it to guess the length, which would walk every VOBU of
    // the title before the first picture. The length comes from the row.
    qint64 size() const override { return -1; }

private:
    qint64 m_position = 0;
};

} // namespace

std::unique_ptr<StreamReader> DvdStreamProtocol::open(const QString& address)
{
    // The disc reader takes the file system's own spelling of the path.
    const std::optional<dvd::DvdLocator> locator =
        dvd::parseDvdLocator(QFile::encodeName(address).toStdString());
    if (!locator)
        return nullptr;
    auto stream = std::make_unique<TitleStream>();
    if (!stream->reader.open(*locator))
        return nullptr;
    return stream;
}

} // namespace transcast
