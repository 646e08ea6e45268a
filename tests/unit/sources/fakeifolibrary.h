#pragma once

#include <map>
#include <string>
#include <vector>

#include "dvd/ifolibrary.h"

// Title sets that dvdauthor cannot author (a title of 0 seconds, a set
// without audio, hundreds of cells), served through the IFO library's nine
// operations. Discs that can be authored are read for real in the e2e suite.
class FakeIfoLibrary : public transcast::dvd::IfoLibrary
{
public:
    struct Title {
        int hours = 0, minutes = 0, seconds = 0;
        // start sector, end sector, seconds
        std::vector<std::tuple<int, int, int>> cells;
    };
    struct TitleSet {
        std::vector<std::string> audio;
        std::vector<std::string> subtitles;
        std::string video = "MPEG-2 720x576 PAL 4:3";
        std::vector<Title> titles;
    };

    std::map<std::string, TitleSet> sets;
    std::vector<std::string> opened;

    std::int32_t ifoOpen(const std::string& path, std::int32_t) override
    {
        opened.push_back(path);
        const auto found = sets.find(path);
        if (found == sets.end())
            return 0;
        m_handles.push_back(&found->second);
        return static_cast<std::int32_t>(m_handles.size());
    }
    std::int32_t ifoGetNumPGCI(std::int32_t h) override
    {
        return static_cast<std::int32_t>(set(h).titles.size());
    }
    std::int32_t ifoGetNumAudio(std::int32_t h) override
    {
        return static_cast<std::int32_t>(set(h).audio.size());
    }
    std::string ifoGetAudioDesc(std::int32_t h, std::int32_t i) override
    {
        return set(h).audio.at(static_cast<size_t>(i));
    }
    std::int32_t ifoGetNumSubPic(std::int32_t h) override
    {
        return static_cast<std::int32_t>(set(h).subtitles.size());
    }
    std::string ifoGetSubPicDesc(std::int32_t h, std::int32_t i) override
    {
        return set(h).subtitles.at(static_cast<size_t>(i));
    }
    std::int32_t ifoGetPGCIInfo(std::int32_t h, std::int32_t title,
                                transcast::dvd::TitleTime* time) override
    {
        const Title& t = set(h).titles.at(static_cast<size_t>(title));
        if (time) {
            time->hours = static_cast<std::uint8_t>(t.hours);
            time->minutes = static_cast<std::uint8_t>(t.minutes);
            time->seconds = static_cast<std::uint8_t>(t.seconds);
        }
        return static_cast<std::int32_t>(t.cells.size());
    }
    std::int32_t ifoGetPGCICells(std::int32_t h, std::int32_t title,
                                 transcast::dvd::CellRecord* cells, std::int32_t capacity) override
    {
        const Title& t = set(h).titles.at(static_cast<size_t>(title));
        std::int32_t n = 0;
        for (const auto& [start, end, seconds] : t.cells) {
            if (n == capacity)
                break;
            transcast::dvd::CellRecord& record = cells[n++];
            record.startPos = start;
            record.endPos = end;
            record.hours = static_cast<std::uint8_t>(seconds / 3600);
            record.minutes = static_cast<std::uint8_t>(seconds / 60 % 60);
            record.seconds = static_cast<std::uint8_t>(seconds % 60);
        }
        return n;
    }
    std::string ifoGetVideoDesc(std::int32_t h) override { return set(h).video; }
    void ifoClose(std::int32_t) override {}

private:
    const TitleSet& set(std::int32_t handle) const
    {
        return *m_handles.at(static_cast<size_t>(handle - 1));
    }
    std::vector<const TitleSet*> m_handles;
};
