#include "childprocess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace transcast
{

namespace
{

volatile sig_atomic_t runningChild = 0;
volatile sig_atomic_t interrupted = 0;

void forwardSignal(int signalNumber)
{
    if (runningChild > 0) {
        interrupted = 1;
        ::kill(static_cast<pid_t>(runningChild), signalNumber);
    }
}

void setForwarding(bool on)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = on ? forwardSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Tells the parent why the child could not become the program, and ends it.
[[noreturn]] void failChild(int reportFd)
{
    const int error = errno;
    ssize_t ignored = write(reportFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void becomeChild(pid_t parent, const char* program, char* const* argv,
                              const std::vector<ChildProcess::Redirect>& redirects, int reportFd)
{
    // Die with register.dat, whatever kills it. If it died before the call
    // took effect we are already orphaned and must not start the encoder.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(127);
    // The forwarding handlers go at exec; a blocked mask would stay, and
    // ffmpeg could not hear the stop we pass on.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    const int nullInput = open("/dev/null", O_RDONLY);
    if (nullInput < 0 || dup2(nullInput, STDIN_FILENO) < 0)
        failChild(reportFd);
    if (nullInput != STDIN_FILENO)
        close(nullInput);
    for (const ChildProcess::Redirect& redirect : redirects) {
        // dup2 clears close-on-exec on the copy; the originals close at exec.
        if (dup2(redirect.from, redirect.to) < 0)
            failChild(reportFd);
    }
    execvp(program, argv);
    failChild(reportFd);
}

} // namespace

bool pipeAbove(int (&descriptors)[2])
{
    int low[2];
    if (pipe2(low, O_CLOEXEC) != 0)
        return false;
    for (int i = 0; i < 2; ++i) {
        descriptors[i] = fcntl(low[i], F_DUPFD_CLOEXEC, 10);
        close(low[i]);
    }
    if (descriptors[0] < 0 || descriptors[1] < 0) {
        const int error = errno;
        for (int descriptor : descriptors)
            if (descriptor >= 0)
                close(descriptor);
        errno = error;
        return false;
    }
    return true;
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        kill();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<Redirect>& redirects)
{
    // Everything the child needs is built before fork: it may not allocate.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // The child writes errno here when exec fails; a successful exec closes
    // it, so an empty read means the program runs. Above 10, like the
    // redirected pipes, so that no redirect can overwrite it.
    int report[2];
    if (!pipeAbove(report)) {
        m_error = std::strerror(errno);
        return false;
    }

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        m_error = std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (pid == 0)
        becomeChild(parent, program.c_str(), argv.data(), redirects, report[1]);

    close(report[1]);
    m_pid = pid;
    runningChild = pid;
    setForwarding(true);

    int childError = 0;
    ssize_t got;
    do {
        got = read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got > 0) {
        wait();
        m_error = std::strerror(childError);
        return false;
    }
    return true;
}

bool ChildProcess::wasInterrupted()
{
    return interrupted != 0;
}

int ChildProcess::wait()
{
    int status = 0;
    m_signal = 0;
    pid_t done;
    do {
        done = waitpid(m_pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    runningChild = 0;
    setForwarding(false);
    m_pid = -1;
    if (done < 0)
        return 127;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        m_signal = WTERMSIG(status);
        return 128 + m_signal;
    }
    return 127;
}

void ChildProcess::kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    wait();
}

} // namespace transcast
