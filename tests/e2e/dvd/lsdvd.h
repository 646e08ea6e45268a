#pragma once

// lsdvd's view of a disc, the independent reading the title sets are checked
// against: `lsdvd -x` lists every title with its title set, chapters, cells,
// audio and subtitle stream ids.

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace transcast::testdiscs
{

struct LsdvdTitle {
    int titleSet = 0;
    int titleInSet = 0; // lsdvd's TTN, from 1
    double seconds = 0;
    std::vector<double> cellSeconds;
    std::vector<int> chapterStartCells;   // from 1
    std::vector<std::string> audioIds;    // "0x80"
    std::vector<std::string> subtitleIds; // "0x20"
    int width = 0;
    int height = 0;
    std::string aspect; // "4/3", "16/9"
};

inline double clockSeconds(const std::string& text)
{
    int h = 0, m = 0;
    double s = 0;
    std::sscanf(text.c_str(), "%d:%d:%lf", &h, &m, &s);
    return h * 3600 + m * 60 + s;
}

inline std::vector<LsdvdTitle> lsdvdTitles(const std::string& root)
{
    std::vector<LsdvdTitle> titles;
    FILE* pipe = popen(("lsdvd -x '" + root + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return titles;
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    pclose(pipe);

    static const std::regex title(R"(^Title: \d+, Length: (\S+) )");
    static const std::regex vts(
        R"(VTS: (\d+), TTN: (\d+),.*Aspect ratio: (\S+), Width: (\d+), Height: (\d+))");
    static const std::regex cell(R"(^\s+Cell: \d+, Length: (\S+))");
    static const std::regex chapter(R"(^\s+Chapter: \d+, Length: \S+, Start Cell: (\d+))");
    static const std::regex audio(R"(^\s+Audio: \d+,.*Stream id: (0x[0-9a-f]+))");
    static const std::regex subtitle(R"(^\s+Subtitle: \d+,.*Stream id: (0x[0-9a-f]+))");
    std::istringstream lines(text);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, match, title)) {
            titles.emplace_back();
            titles.back().seconds = clockSeconds(match[1]);
        } else if (titles.empty()) {
            continue;
        } else if (std::regex_search(line, match, vts)) {
            titles.back().titleSet = std::stoi(match[1]);
            titles.back().titleInSet = std::stoi(match[2]);
            titles.back().aspect = match[3];
            titles.back().width = std::stoi(match[4]);
            titles.back().height = std::stoi(match[5]);
        } else if (std::regex_search(line, match, cell)) {
            titles.back().cellSeconds.push_back(clockSeconds(match[1]));
        } else if (std::regex_search(line, match, chapter)) {
            titles.back().chapterStartCells.push_back(std::stoi(match[1]));
        } else if (std::regex_search(line, match, audio)) {
            titles.back().audioIds.push_back(match[1]);
        } else if (std::regex_search(line, match, subtitle)) {
            titles.back().subtitleIds.push_back(match[1]);
        }
    }
    return titles;
}

} // namespace transcast::testdiscs
