#pragma once

#include <map>
#include <memory>
#include <string>

#include "ifolibrary.h"

namespace transcast::dvd
{

class DiscReader;

// The IFO operations over libdvdread. Title sets of one disc share one open
// disc; everything is freed with the object. libdvdread never writes to
// standard output or error through this class.
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

private:
    struct TitleSet;
    TitleSet* find(std::int32_t handle) const;

    std::map<std::string, std::shared_ptr<DiscReader>> m_discs;
    std::map<std::int32_t, std::unique_ptr<TitleSet>> m_titleSets;
    std::int32_t m_lastHandle = 0;
};

} // namespace transcast::dvd
