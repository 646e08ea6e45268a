#include "sources/joblistfile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <initializer_list>
#include <iterator>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "common/textutil.h"

namespace transcast
{

namespace
{

const QString kFormat = QStringLiteral("transcast job list");

// Names as they stand in the file, in the enums' order.
const char* const kKinds[] = {"file", "title", "chapter"};
const char* const kStatuses[] = {"listed", "converting", "finished", "failed", "stopped"};
static_assert(std::size(kKinds) == static_cast<size_t>(JobKind::Chapter) + 1);
static_assert(std::size(kStatuses) == static_cast<size_t>(JobStatus::Stopped) + 1);
// Earlier versions kept a preview's state as the row's status, in place of
// how its conversion went: that is not known, so such a row is as listed.
const char* const kPreviewStatuses[] = {"playing", "paused", "playEnded"};

template <typename Enum, size_t N> QString nameOf(Enum value, const char* const (&names)[N])
{
    return QString::fromLatin1(names[static_cast<size_t>(value)]);
}

template <typename Enum, size_t N>
std::optional<Enum> valueOf(const QJsonValue& text, const char* const (&names)[N])
{
    for (size_t i = 0; i < N; ++i) {
        if (text.toString() == QLatin1String(names[i]))
            return static_cast<Enum>(i);
    }
    return std::nullopt;
}

QJsonArray textArray(const QStringList& texts)
{
    return QJsonArray::fromStringList(texts);
}

QStringList textList(const QJsonValue& value)
{
    QStringList texts;
    for (const QJsonValue& text : value.toArray())
        texts << text.toString();
    return texts;
}

// Version 1 kept the source's numbers as the list shows them ("640x480",
// "hh:mm:ss", a bitrate's digits): read still, never written.
int kbpsOf(const QJsonValue& text)
{
    return parseInt32(text.toString()).value_or(0);
}

void readSourceOfVersion1(const QJsonObject& object, SourceInfo& source)
{
    source.frameSize = FrameSize::fromText(object.value(QLatin1String("frameSize")).toString())
                           .value_or(FrameSize());
    source.durationMs = clockToMilliseconds(object.value(QLatin1String("duration")).toString());
    source.videoKbps = kbpsOf(object.value(QLatin1String("videoBitrate")));
    source.audioKbps = kbpsOf(object.value(QLatin1String("audioBitrate")));
}

// A whole number the file holds, within what the row's field takes.
std::optional<qint64> wholeNumber(const QJsonValue& value, qint64 lowest, qint64 highest)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < double(lowest) || number > double(highest))
        return std::nullopt;
    return static_cast<qint64>(number);
}

void readSource(const QJsonObject& object, SourceInfo& source)
{
    const auto whole = [&object](const char* key, qint64 highest) {
        return wholeNumber(object.value(QLatin1String(key)), 0, highest);
    };
    source.frameSize.width = int(whole("width", INT_MAX).value_or(0));
    source.frameSize.height = int(whole("height", INT_MAX).value_or(0));
    if (!source.frameSize.isKnown())
        source.frameSize = FrameSize();
    // Exact to the millisecond, and absent when nobody could tell.
    source.durationMs = whole("durationMs", std::numeric_limits<qint64>::max() / 2);
    source.videoKbps = int(whole("videoKbps", INT_MAX).value_or(0));
    source.audioKbps = int(whole("audioKbps", INT_MAX).value_or(0));
}

// "0x80" as 128; -1 for "0", "" and anything that is not "0x" and hex digits.
double parseStreamIdText(const QJsonValue& value)
{
    const QString text = value.toString();
    bool ok = false;
    const int id = text.startsWith(QLatin1String("0x")) && text.size() > 2
                       ? QStringView(text).mid(2).toInt(&ok, 16)
                       : 0;
    return ok && id > 0 ? id : -1;
}

// Whether each of the keys is absent or holds a value of the type: a key
// this version knows holding another type is damage, not a later version's
// addition.
bool keysAre(const QJsonObject& object, std::initializer_list<const char*> keys,
             QJsonValue::Type type)
{
    for (const char* key : keys) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isUndefined() && value.type() != type)
            return false;
    }
    return true;
}

bool isTextArray(const QJsonValue& value)
{
    if (value.isUndefined())
        return true;
    if (!value.isArray())
        return false;
    const QJsonArray texts = value.toArray();
    return std::all_of(texts.begin(), texts.end(),
                       [](const QJsonValue& text) { return text.isString(); });
}

bool rowIsWellTyped(const QJsonObject& object)
{
    return keysAre(object,
                   {"kind", "caption", "path", "frameSize", "duration", "videoBitrate",
                    "audioBitrate", "outputSize", "status", "reason", "ifo", "audioId",
                    "subtitleId"},
                   QJsonValue::String) &&
           keysAre(object, {"checked"}, QJsonValue::Bool) &&
           keysAre(object, {"tracks"}, QJsonValue::Object) &&
           keysAre(object,
                   {"title", "cell", "start", "end", "audio", "subtitle", "audioStream",
                    "subtitleStream", "width", "height", "durationMs", "videoKbps", "audioKbps",
                    "outputBytes"},
                   QJsonValue::Double) &&
           isTextArray(object.value(QLatin1String("notes")));
}

bool headerIsWellTyped(const QJsonObject& document)
{
    return keysAre(document, {"edition"}, QJsonValue::String) &&
           keysAre(document, {"intoOwnFormat", "titleMode"}, QJsonValue::Bool) &&
           keysAre(document, {"rows"}, QJsonValue::Array) &&
           isTextArray(document.value(QLatin1String("titleSets")));
}

// A DVD row's stream id: the number under `key`, or in a list an earlier
// version wrote, the text under `oldKey` ("0x80"; "0" for none). Anything
// that is no stream id is none.
int streamOf(const QJsonObject& object, const char* key, const char* oldKey)
{
    const QJsonValue number = object.value(QLatin1String(key));
    const double id = number.isDouble() ? number.toDouble()
                                        : parseStreamIdText(object.value(QLatin1String(oldKey)));
    return id >= 0 && id <= 0xFF && id == static_cast<int>(id) ? static_cast<int>(id)
                                                               : DvdRowInfo::kNoStream;
}

std::optional<JobRow> decodeRow(const QJsonObject& object, int version)
{
    const auto kind = valueOf<JobKind>(object.value(QLatin1String("kind")), kKinds);
    const QJsonValue statusName = object.value(QLatin1String("status"));
    auto status = valueOf<JobStatus>(statusName, kStatuses);
    if (!status && valueOf<int>(statusName, kPreviewStatuses).has_value())
        status = JobStatus::Listed;
    if (!kind || !status)
        return std::nullopt;
    JobRow row;
    row.kind = *kind;
    row.status = *status;
    row.caption = object.value(QLatin1String("caption")).toString();
    row.source.filePath = object.value(QLatin1String("path")).toString();
    if (version == 1)
        readSourceOfVersion1(object, row.source);
    else
        readSource(object, row.source);
    // Version 1's "outputSize" was the column's text: the estimate is made
    // again when the row is listed again.
    if (version != 1)
        row.outputBytes = wholeNumber(object.value(QLatin1String("outputBytes")), 0,
                                      std::numeric_limits<qint64>::max() / 2);
    row.checked = object.value(QLatin1String("checked")).toBool();
    row.failureReason = object.value(QLatin1String("reason")).toString();
    row.notes = textList(object.value(QLatin1String("notes")));
    if (row.isDvd()) {
        DvdRowInfo& dvd = row.dvd;
        dvd.ifoPath = object.value(QLatin1String("ifo")).toString();
        dvd.titleIndex = object.value(QLatin1String("title")).toInt(-1);
        dvd.cellIndex = object.value(QLatin1String("cell")).toInt(-1);
        dvd.startSector = object.value(QLatin1String("start")).toInt();
        dvd.endSector = object.value(QLatin1String("end")).toInt();
        dvd.audioChoice = object.value(QLatin1String("audio")).toInt();
        dvd.subtitleChoice = object.value(QLatin1String("subtitle")).toInt();
        dvd.audioId = streamOf(object, "audioStream", "audioId");
        dvd.subtitleId = streamOf(object, "subtitleStream", "subtitleId");
        if (dvd.ifoPath.isEmpty() || dvd.titleIndex < 0)
            return std::nullopt;
    } else if (row.source.filePath.isEmpty()) {
        return std::nullopt;
    } else {
        // Lists kept before files had tracks: the file's own default.
        row.tracks = FileTracks::fromJson(object.value(QLatin1String("tracks")).toObject());
    }
    return row;
}

} // namespace

QByteArray JobListFile::encodeRow(const JobRow& row)
{
    QJsonObject object{
        {QStringLiteral("kind"), nameOf(row.kind, kKinds)},
        {QStringLiteral("caption"), row.caption},
        {QStringLiteral("path"), row.source.filePath},
        {QStringLiteral("checked"), row.checked},
        {QStringLiteral("status"), nameOf(row.status, kStatuses)},
    };
    const SourceInfo& source = row.source;
    if (source.frameSize.isKnown()) {
        object.insert(QStringLiteral("width"), source.frameSize.width);
        object.insert(QStringLiteral("height"), source.frameSize.height);
    }
    if (source.durationMs)
        object.insert(QStringLiteral("durationMs"), double(*source.durationMs));
    if (row.outputBytes)
        object.insert(QStringLiteral("outputBytes"), double(*row.outputBytes));
    // A DVD row has no bitrates of its own.
    if (!row.isDvd()) {
        object.insert(QStringLiteral("videoKbps"), source.videoKbps);
        object.insert(QStringLiteral("audioKbps"), source.audioKbps);
        object.insert(QStringLiteral("tracks"), row.tracks.toJson());
    }
    if (!row.failureReason.isEmpty())
        object.insert(QStringLiteral("reason"), row.failureReason);
    if (!row.notes.isEmpty())
        object.insert(QStringLiteral("notes"), textArray(row.notes));
    if (row.isDvd()) {
        const DvdRowInfo& dvd = row.dvd;
        object.insert(QStringLiteral("ifo"), dvd.ifoPath);
        object.insert(QStringLiteral("title"), dvd.titleIndex);
        object.insert(QStringLiteral("cell"), dvd.cellIndex);
        object.insert(QStringLiteral("start"), dvd.startSector);
        object.insert(QStringLiteral("end"), dvd.endSector);
        object.insert(QStringLiteral("audio"), dvd.audioChoice);
        object.insert(QStringLiteral("subtitle"), dvd.subtitleChoice);
        object.insert(QStringLiteral("audioStream"), dvd.audioId);
        object.insert(QStringLiteral("subtitleStream"), dvd.subtitleId);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray JobListFile::encode(const Header& header, const std::vector<QByteArray>& rows)
{
    const QJsonObject document{
        {QStringLiteral("format"), kFormat},
        {QStringLiteral("version"), kVersion},
        {QStringLiteral("edition"),
         header.dvdEdition ? QStringLiteral("dvd") : QStringLiteral("file")},
        {QStringLiteral("intoOwnFormat"), header.intoOwnFormat},
        {QStringLiteral("titleMode"), header.titleMode},
        {QStringLiteral("titleSets"), textArray(header.titleSets)},
    };
    // The rows go in as they are, before the closing brace.
    QByteArray data = QJsonDocument(document).toJson(QJsonDocument::Compact);
    data.chop(1);
    qsizetype size = data.size() + 12;
    for (const QByteArray& row : rows)
        size += row.size() + 1;
    data.reserve(size);
    data += ",\"rows\":[";
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            data += ',';
        data += rows[i];
    }
    data += "]}";
    return data;
}

std::optional<JobListFile::Contents> JobListFile::decode(const QByteArray& data)
{
    // Qt's parser refuses a document nested deeper than it can parse
    // without running out of stack; nothing below recurses.
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !parsed.isObject())
        return std::nullopt;
    const QJsonObject document = parsed.object();
    const QJsonValue version = document.value(QLatin1String("version"));
    if (document.value(QLatin1String("format")).toString() != kFormat || !version.isDouble() ||
        (version.toDouble() != kVersion && version.toDouble() != 1) || !headerIsWellTyped(document))
        return std::nullopt;
    const QJsonArray rows = document.value(QLatin1String("rows")).toArray();
    for (const QJsonValue& value : rows) {
        if (!value.isObject() || !rowIsWellTyped(value.toObject()))
            return std::nullopt;
    }
    Contents contents;
    Header& header = contents.header;
    header.dvdEdition = document.value(QLatin1String("edition")).toString() == QLatin1String("dvd");
    header.intoOwnFormat = document.value(QLatin1String("intoOwnFormat")).toBool(true);
    header.titleMode = document.value(QLatin1String("titleMode")).toBool(true);
    header.titleSets = textList(document.value(QLatin1String("titleSets")));
    for (const QJsonValue& value : rows) {
        if (auto row = decodeRow(value.toObject(), version.toInt()))
            contents.rows.append(std::move(*row));
    }
    return contents;
}

QVector<JobRow> JobListFile::unfinishedRows(const Contents& contents)
{
    QVector<JobRow> rows;
    for (JobRow row : contents.rows) {
        if (row.isDvd() != contents.header.dvdEdition || row.status == JobStatus::Finished)
            continue;
        if (row.status == JobStatus::Converting)
            row.status = JobStatus::Listed;
        row.progress = 0;
        rows.append(std::move(row));
    }
    return rows;
}

} // namespace transcast
