#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include "sources/jobrow.h"

namespace transcast
{

// The job list as the window keeps it on disk, so that a crash, a kill or a
// power loss does not take the user's list with it. A small JSON document:
//
//   {"format": "transcast job list", "version": 2, "edition": "file"|"dvd",
//    "intoOwnFormat": bool, "titleMode": bool, "titleSets": [IFO paths],
//    "rows": [{"kind": "file"|"title"|"chapter", "caption", "path",
//              "width", "height", "durationMs", "videoKbps", "audioKbps",
//              "outputBytes" (numbers; absent when not known),
//              "checked", "status", "reason", "notes",
//              DVD rows also: "ifo", "title", "cell", "start", "end",
//              "audio", "subtitle", "audioStream", "subtitleStream"
//              (stream ids as numbers, -1 for none)}]}
//
// Lists of version 1 hold the stream ids as text under "audioId" and
// "subtitleId" ("0x80", "0" for none); they read as the same ids.
//
// A row keeps what the user chose and how its conversion went, never its
// progress (a percentage changes many times a second and means nothing once
// the encoder is gone) nor what a preview shows over its status. Reading
// takes what it knows and ignores the rest, so that a later version may add
// keys, and leaves out a row of a kind or status it does not know. Anything
// else it cannot take reads as nothing: text that is no JSON (cut short,
// junk, nested deeper than the parser goes), a document that is not one of
// ours, one of a version other than 1 and 2, a key it knows holding another
// type.
class JobListFile
{
public:
    // Version 1 held the source's numbers as text ("frameSize": "640x480",
    // "duration": "hh:mm:ss", "videoBitrate", "audioBitrate"), the
    // milliseconds lost, and the estimate as the column showed it
    // ("outputSize"): still read, the estimate made again.
    static constexpr int kVersion = 2;

    // What the list was besides its rows.
    struct Header {
        bool dvdEdition = false;
        // The direction of file rows (see Preferences::intoOwnFormat).
        bool intoOwnFormat = true;
        // DVD rows stand for titles (false: chapters).
        bool titleMode = true;
        // The title sets the DVD rows were read from, in their order.
        QStringList titleSets;
    };

    struct Contents {
        Header header;
        QVector<JobRow> rows;
    };

    // The kept part of one row, as the document holds it.
    static QByteArray encodeRow(const JobRow& row);
    // The whole document around rows that encodeRow gave: a list is written
    // many times while only a few of its rows change, so each row is
    // encoded once per change, not once per write.
    static QByteArray encode(const Header& header, const std::vector<QByteArray>& rows);
    // Nothing for a document this version cannot read; rows of a kind or
    // status it does not know, or without their source, are left out.
    static std::optional<Contents> decode(const QByteArray& data);

    // The rows a restart offers again: every row of the edition's kind whose
    // job has not finished, as it was, except that a row caught converting
    // is ready to convert again.
    static QVector<JobRow> unfinishedRows(const Contents& contents);
};

} // namespace transcast
