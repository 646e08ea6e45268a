#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace transcast
{

// The ffmpeg that register.dat drives, started from an argument list (never
// through a shell) and tied to our life: the app stops a job by killing
// register.dat with SIGKILL, which we cannot catch, so the kernel must end
// the child for us (PR_SET_PDEATHSIG). SIGTERM and SIGINT sent to us while the
// child runs are passed on to it, so that it can close its output cleanly.
// One child at a time.
class ChildProcess
{
public:
    // Makes the parent's descriptor `from` the child's descriptor `to`.
    struct Redirect {
        int to;
        int from;
    };

    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts program (searched on PATH unless it holds a "/") with the
    // arguments. The child's standard input is /dev/null; standard output and
    // error are ours unless redirected. Every `from` descriptor must be 10 or
    // above (see pipeAbove). Returns false and sets error() when the program
    // could not be started; it has then not run at all.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<Redirect>& redirects);

    // Waits for the child's end and returns its status as a shell does: the
    // exit code, or 128 plus the number of the signal that ended it.
    int wait();
    // The signal that ended the child, 0 when it exited by itself.
    int endingSignal() const { return m_signal; }
    // True once a SIGTERM or SIGINT sent to us has been passed on to the
    // child: the job was stopped, it did not fail.
    static bool wasInterrupted();

    // Ends the child at once (SIGKILL) and reaps it; used when we give up on
    // a job ourselves.
    void kill();

    pid_t pid() const { return m_pid; }
    const std::string& error() const { return m_error; }

private:
    pid_t m_pid = -1;
    int m_signal = 0;
    std::string m_error;
};

// What register.dat returns when a stop came before its conversion began
// (while it looked at the source): as a shell reports a Ctrl-C.
constexpr int kStoppedStatus = 130;

// A close-on-exec pipe whose two descriptors are 10 or above, so that moving
// them onto the child's low descriptors can never overwrite one another.
// Returns false with errno set on failure.
bool pipeAbove(int (&descriptors)[2]);

} // namespace transcast
