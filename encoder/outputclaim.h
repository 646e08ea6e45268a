#pragma once

#include <string>

#include <sys/types.h>

namespace transcast
{

// The environment variable through which the app names the output it
// reserved for the job: "DEVICE:INODE" of the empty file it created, in
// decimal, when it chose the name.
constexpr const char kReservedOutputVariable[] = "TRANSCAST_RESERVED_OUTPUT";

// The file a conversion writes, and the proof that it is the job's own.
// Conversions side by side, in this program or in several, may be handed
// one name; what one of them finished must never be replaced or removed by
// another, whatever "-y" says. So a job writes only into a file it created
// itself, exclusively, or into the empty file its caller created for it
// when it chose the name (kReservedOutputVariable), and removes only that
// same file, never one that took its name meanwhile.
class OutputClaim
{
public:
    // Creates the file at `path` exclusively, or takes the caller's
    // reservation standing there. False, with the reason in error(), when
    // another entry holds the name or the file cannot be made.
    bool claim(const std::string& path);
    bool isClaimed() const { return m_claimed; }
    const std::string& error() const { return m_error; }

    // Removes the file when it is still the one claimed: what a failed job
    // wrote.
    void remove();
    // The same, only when nothing was written into it: a job stopped before
    // its first byte leaves no empty file behind.
    void removeIfEmpty();

private:
    void removeWhen(bool onlyEmpty);

    std::string m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_claimed = false;
    std::string m_error;
};

} // namespace transcast
