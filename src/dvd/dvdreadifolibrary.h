#pragma once

#include <map>
#include <memory>
#include <string>

#include "ifolibrary.h"
#include "titlesetinfo.h"

namespace transcast::dvd
{

// The IFO operations over libdvdread. A disc's title sets are read in a
// child process (a damaged IFO file may crash libdvdread) and kept while
// their files stay as they were, so reading the same disc again costs no
// reading at all. libdvdread never writes to standard output or error
// through this class.
class DvdReadIfoLibrary : public IfoLibrary
{
public:
    DvdReadIfoLibrary();
    ~DvdReadIfoLibrary() override;

    std::int32_t ifoOpen(const std::string& path, std::int32_t unused = 0) override;
    std::int32_t ifoGetNumPGCI(std::int32_t handle) override;
    std::int32_t ifoGetNumAudio(std::int32_t handle) override;
    std::string ifoGetAudioDesc(std::int32_t handle, std::int32_t index) override;
    std::int32_t ifoGetNumSubPic(std::int32_t handle) override;
    std::string ifoGetSubPicDesc(std::int32_t handle, std::int32_t index) override;
    std::int32_t ifoGetPGCIInfo(std::int32_t handle, std::int32_t title, TitleTime* time) override;
    std::int32_t ifoGetPGCICells(std::int32_t handle, std::int32_t title, CellRecord* cells,
                                 std::int32_t capacity) override;
    std::string ifoGetVideoDesc(std::int32_t handle) override;
    void ifoClose(std::int32_t handle) override;

    // Reads one title set in this process, as the reading child does; false
    // when it is no title set. Only for a file the library has already read
    // safely (the fuzzing compares the two readings).
    static bool readTitleSetHere(const std::string& ifoPath, TitleSetInfo* info);

private:
    // A title set as the child read it; no info when it could not be read.
    struct ReadTitleSet {
        FileStamp stamp;
        std::shared_ptr<const TitleSetInfo> info;
    };
    const TitleSetInfo* find(std::int32_t handle) const;
    void readInChild(const std::string& root, bool image, const std::string& ifoPath, int first);

    // Title sets by number, per disc root.
    std::map<std::string, std::map<int, ReadTitleSet>> m_discs;
    std::map<std::int32_t, std::shared_ptr<const TitleSetInfo>> m_handles;
    std::int32_t m_lastHandle = 0;
};

} // namespace transcast::dvd
