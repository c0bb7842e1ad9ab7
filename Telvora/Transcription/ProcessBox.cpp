#include "Telvora/Transcription/ProcessBox.h"

#include "TelvoraCore/Errors/Error.h"

#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// The children that run now, so that the program's exit can end them.
struct RunningChildren
{
    std::mutex lock;
    std::condition_variable emptied;
    std::set<ProcessBox *> boxes;
};

RunningChildren &runningChildren()
{
    static RunningChildren children;
    return children;
}

// Destroyed when the program exits normally: a worker must not outlive it. A crash is
// covered by the sentinel, which hears the parent's death.
struct ExitGuard
{
    ~ExitGuard() { ProcessBox::endAllChildren(3000); }
};

QString systemMessage(int error) { return qt_error_string(error); }

void closeDescriptor(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

std::vector<char *> pointers(std::vector<QByteArray> &strings)
{
    std::vector<char *> list;
    list.reserve(strings.size() + 1);
    for (QByteArray &string : strings)
        list.push_back(string.data());
    list.push_back(nullptr);
    return list;
}

// Everything from here to the end of becomeSentinel runs in forked children of a program
// with threads, so only async-signal-safe calls: no allocation, no locks.

void setDisposition(int signal, void (*handler)(int))
{
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    ::sigaction(signal, &action, nullptr);
}

void setAllDispositionsToDefault()
{
    for (int signal = 1; signal < NSIG; ++signal)
        setDisposition(signal, SIG_DFL);
}

void setMask(bool blockAll)
{
    sigset_t mask;
    if (blockAll)
        ::sigfillset(&mask);
    else
        ::sigemptyset(&mask);
    ::sigprocmask(SIG_SETMASK, &mask, nullptr);
}

void killOwnGroup(int) { ::kill(0, SIGKILL); }

[[noreturn]] void failStart(int statusEnd)
{
    const int error = errno;
    [[maybe_unused]] auto written = ::write(statusEnd, &error, sizeof error);
    ::_exit(127);
}

[[noreturn]] void becomeProgram(pid_t sentinel, int outputEnd, int statusEnd, const char *executable, char *const *argv,
                                char *const *envp)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != sentinel)
        ::_exit(127);
    // Ignored signals survive exec: a program started in the background ignores SIGINT, and
    // the worker would then never hear a cancel. Start it from the defaults.
    setAllDispositionsToDefault();
    setMask(false);
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || ::dup2(outputEnd, STDOUT_FILENO) < 0
        || ::dup2(outputEnd, STDERR_FILENO) < 0)
        failStart(statusEnd);
    ::execve(executable, argv, envp);
    failStart(statusEnd);
}

// Ends the sentinel the way the program ended, so that its parent reads the same status.
[[noreturn]] void endLike(int status)
{
    if (!WIFSIGNALED(status))
        ::_exit(WEXITSTATUS(status));
    const int signal = WTERMSIG(status);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    setDisposition(signal, SIG_DFL);
    ::kill(::getpid(), signal);
    ::_exit(128 + signal);
}

// The sentinel leads the run's process group and waits for the program. SIGINT is meant
// for the program; the parent's death (SIGTERM, the parent-death signal) kills the group.
[[noreturn]] void becomeSentinel(pid_t parent, int outputEnd, int statusEnd, const char *executable, char *const *argv,
                                 char *const *envp)
{
    setMask(true);
    ::setpgid(0, 0);
    setAllDispositionsToDefault();
    setDisposition(SIGINT, SIG_IGN);
    setDisposition(SIGTERM, killOwnGroup);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        killOwnGroup(SIGTERM);
    const pid_t sentinel = ::getpid();
    // _Fork runs no fork handlers, which is what makes it safe here.
    const pid_t program = ::_Fork();
    if (program == 0)
        becomeProgram(sentinel, outputEnd, statusEnd, executable, argv, envp);
    if (program < 0)
        failStart(statusEnd);
    // The pipes now end with the program: its output's last writer, its exec's outcome.
    ::close(outputEnd);
    ::close(statusEnd);
    setMask(false);
    int status = 0;
    while (::waitpid(program, &status, 0) < 0)
        if (errno != EINTR)
            ::_exit(127);
    endLike(status);
}

} // namespace

ProcessBox::ProcessBox(const QString &executable, const QStringList &arguments,
                       const QMap<QString, QString> &environment)
    : m_executable(QFile::encodeName(executable))
{
    m_arguments.push_back(m_executable);
    for (const QString &argument : arguments)
        m_arguments.push_back(argument.toUtf8());
    for (auto entry = environment.cbegin(); entry != environment.cend(); ++entry)
        m_environment.push_back((entry.key() + u'=' + entry.value()).toUtf8());
}

ProcessBox::~ProcessBox()
{
    closeDescriptor(m_readEnd);
    closeDescriptor(m_exitEnd);
    closeDescriptor(m_wakeEnd);
    RunningChildren &children = runningChildren();
    const std::lock_guard registry(children.lock);
    if (children.boxes.erase(this) > 0)
        children.emptied.notify_all();
}

void ProcessBox::launch()
{
    static ExitGuard exitGuard;
    std::vector<char *> argv = pointers(m_arguments);
    std::vector<char *> envp = pointers(m_environment);

    const std::lock_guard guard(m_lock);
    if (m_cancelled)
        throw Cancelled();

    int output[2];
    int status[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        throw PlatformError(systemMessage(errno));
    if (::pipe2(status, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(output[0]);
        ::close(output[1]);
        throw PlatformError(systemMessage(error));
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        becomeSentinel(parent, output[1], status[1], m_executable.constData(), argv.data(), envp.data());
    const int forkError = errno;
    ::close(output[1]);
    ::close(status[1]);
    if (pid < 0) {
        ::close(output[0]);
        ::close(status[0]);
        throw PlatformError(systemMessage(forkError));
    }
    // Also here, so that the group exists before anyone signals it.
    ::setpgid(pid, pid);

    // The status pipe closes once the program is exec'd; otherwise it carries the error.
    int execError = 0;
    ssize_t got;
    do {
        got = ::read(status[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    ::close(status[0]);
    if (got == sizeof execError) {
        ::close(output[0]);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        throw PlatformError(QFile::decodeName(m_executable) + u": "_s + systemMessage(execError));
    }

    m_pid = pid;
    m_running = true;
    m_readEnd = output[0];
    // Through syscall: glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.
    m_exitEnd = int(::syscall(SYS_pidfd_open, pid, 0));
    m_wakeEnd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    RunningChildren &children = runningChildren();
    const std::lock_guard registry(children.lock);
    children.boxes.insert(this);
}

int ProcessBox::runToEnd(const std::function<void(QByteArrayView)> &consume)
{
    pollfd watched[]{{m_readEnd, POLLIN, 0}, {m_exitEnd, POLLIN, 0}, {m_wakeEnd, POLLIN, 0}};
    pollfd &output = watched[0];
    pollfd &childEnd = watched[1];
    pollfd &wake = watched[2];
    bool exited = m_exitEnd < 0;
    bool killed = false;
    for (;;) {
        const std::optional<std::chrono::steady_clock::time_point> deadline = killDeadline();
        // A cancelled run waits for its child only, never for helpers that hold the pipe.
        if (exited && (output.fd < 0 || deadline))
            break;
        int timeout = -1;
        if (deadline && !killed) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
            timeout = int(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        if (::poll(watched, std::size(watched), timeout) < 0 && errno != EINTR)
            break;
        if (output.revents != 0 && !readOutput(consume))
            output.fd = -1;
        if (childEnd.revents != 0) {
            exited = true;
            childEnd.fd = -1;
        }
        if (wake.revents != 0) {
            std::uint64_t wakes = 0;
            [[maybe_unused]] auto drained = ::read(m_wakeEnd, &wakes, sizeof wakes);
        }
        if (deadline && !killed && std::chrono::steady_clock::now() >= *deadline) {
            signalRunningGroup(SIGKILL);
            killed = true;
        }
    }
    closeDescriptor(m_readEnd);
    return reap();
}

bool ProcessBox::readOutput(const std::function<void(QByteArrayView)> &consume)
{
    char buffer[65536];
    const ssize_t got = ::read(m_readEnd, buffer, sizeof buffer);
    if (got > 0)
        consume(QByteArrayView(buffer, got));
    return got > 0 || (got < 0 && (errno == EINTR || errno == EAGAIN));
}

int ProcessBox::reap()
{
    int status = 0;
    {
        const std::lock_guard guard(m_lock);
        m_running = false;
        // The group's id stays ours while its leader is unreaped: nothing the child left
        // behind outlives the run.
        ::kill(-m_pid, SIGKILL);
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {}
    }
    RunningChildren &children = runningChildren();
    const std::lock_guard registry(children.lock);
    children.boxes.erase(this);
    children.emptied.notify_all();
    return status;
}

void ProcessBox::cancel()
{
    const std::lock_guard guard(m_lock);
    if (!m_cancelled)
        m_cancelledAt = std::chrono::steady_clock::now();
    m_cancelled = true;
    if (!m_running)
        return;
    ::kill(-m_pid, SIGINT);
    const std::uint64_t wake = 1;
    [[maybe_unused]] auto written = ::write(m_wakeEnd, &wake, sizeof wake);
}

bool ProcessBox::cancelled() const
{
    const std::lock_guard guard(m_lock);
    return m_cancelled;
}

std::optional<std::chrono::steady_clock::time_point> ProcessBox::killDeadline() const
{
    const std::lock_guard guard(m_lock);
    if (!m_cancelled)
        return std::nullopt;
    return m_cancelledAt + killGrace;
}

void ProcessBox::signalRunningGroup(int signal)
{
    const std::lock_guard guard(m_lock);
    if (m_running)
        ::kill(-m_pid, signal);
}

void ProcessBox::endAllChildren(int graceMilliseconds)
{
    RunningChildren &children = runningChildren();
    std::unique_lock registry(children.lock);
    // Boxes are signalled under the registry lock: a box takes the registry lock under its
    // own only before it is registered, so the two never wait on each other.
    for (ProcessBox *box : children.boxes)
        box->cancel();
    if (children.emptied.wait_for(registry, std::chrono::milliseconds(graceMilliseconds),
                                  [&children] { return children.boxes.empty(); }))
        return;
    for (ProcessBox *box : children.boxes)
        box->signalRunningGroup(SIGKILL);
    children.emptied.wait_for(registry, std::chrono::seconds(1), [&children] { return children.boxes.empty(); });
}

} // namespace telvora
