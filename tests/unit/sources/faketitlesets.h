#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <QTimer>

#include "dvd/titlesetsource.h"

// Title sets that dvdauthor cannot author (a title of 0 seconds, a set
// without audio, hundreds of cells), handed out as the real source hands
// them, on a later turn of the event loop. Discs that can be authored are
// read for real in the e2e suite.
class FakeTitleSets : public transcast::dvd::TitleSetSource
{
public:
    struct Title {
        int hours = 0, minutes = 0, seconds = 0;
        // start sector, end sector, seconds
        std::vector<std::tuple<int, int, int>> cells;
    };
    struct TitleSet {
        std::vector<transcast::dvd::AudioTrack> audio;
        std::vector<transcast::dvd::SubtitleTrack> subtitles;
        transcast::dvd::VideoTrack video; // MPEG-2 720x576 PAL 4:3
        std::vector<Title> titles;
    };

    std::map<std::string, TitleSet> sets;
    std::vector<std::string> opened;

    FakeTitleSets()
    {
        m_later.setSingleShot(true);
        m_later.setInterval(0);
        m_later.callOnTimeout([this] {
            Answered answered = std::move(m_answered);
            m_answered = nullptr;
            answered(m_answer);
        });
    }

    void request(const std::string& path, Answered answered) override
    {
        opened.push_back(path);
        m_answer = {titleSetOf(path), {}, {}};
        m_answered = std::move(answered);
        m_later.start();
    }
    void cancel() override
    {
        m_later.stop();
        m_answered = nullptr;
    }

private:
    std::shared_ptr<const transcast::dvd::TitleSet> titleSetOf(const std::string& path) const
    {
        const auto found = sets.find(path);
        if (found == sets.end())
            return nullptr;
        const TitleSet& set = found->second;
        auto made = std::make_shared<transcast::dvd::TitleSet>();
        made->audio = set.audio;
        made->subtitles = set.subtitles;
        made->video = set.video;
        for (const Title& title : set.titles) {
            transcast::dvd::Title& record = made->titles.emplace_back();
            record.milliseconds = (title.hours * 3600 + title.minutes * 60 + title.seconds) * 1000;
            for (const auto& [start, end, seconds] : title.cells)
                record.cells.push_back({start, end, seconds * 1000});
        }
        return made;
    }

    QTimer m_later;
    Answered m_answered;
    Answer m_answer;
};
