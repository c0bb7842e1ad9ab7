#include "Telvora/Transcription/ProcessBox.h"

#include "TelvoraCore/Errors/Error.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <set>
#include <sys/prctl.h>
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
// covered by the children's parent-death signal.
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

// Runs in the forked child, so only async-signal-safe calls: no allocation, no locks.
[[noreturn]] void becomeChild(pid_t parent, int outputEnd, int statusEnd, const char *executable, char *const *argv,
                              char *const *envp)
{
    // Killed with the program if it dies without ending us first.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    // Ignored signals survive exec: a program started in the background ignores SIGINT, and
    // the worker would then never hear a cancel. Start the child from the defaults.
    struct sigaction defaults
    {
    };
    defaults.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &defaults, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || ::dup2(outputEnd, STDOUT_FILENO) < 0
        || ::dup2(outputEnd, STDERR_FILENO) < 0) {
        const int error = errno;
        [[maybe_unused]] auto written = ::write(statusEnd, &error, sizeof error);
        ::_exit(127);
    }
    ::execve(executable, argv, envp);
    const int error = errno;
    [[maybe_unused]] auto written = ::write(statusEnd, &error, sizeof error);
    ::_exit(127);
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
        becomeChild(parent, output[1], status[1], m_executable.constData(), argv.data(), envp.data());
    const int forkError = errno;
    ::close(output[1]);
    ::close(status[1]);
    if (pid < 0) {
        ::close(output[0]);
        ::close(status[0]);
        throw PlatformError(systemMessage(forkError));
    }

    // The status pipe closes on a successful exec; otherwise it carries exec's error.
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
    RunningChildren &children = runningChildren();
    const std::lock_guard registry(children.lock);
    children.boxes.insert(this);
}

void ProcessBox::readToEnd(const std::function<void(QByteArrayView)> &consume)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(m_readEnd, buffer, sizeof buffer);
        if (got > 0)
            consume(QByteArrayView(buffer, got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    closeDescriptor(m_readEnd);
}

int ProcessBox::waitForExit()
{
    // Wait without reaping first: while the child is unreaped its pid cannot be reused, so
    // a cancel arriving meanwhile can never signal a stranger.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {}
    int status = 0;
    {
        const std::lock_guard guard(m_lock);
        m_running = false;
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
    m_cancelled = true;
    if (m_running)
        ::kill(m_pid, SIGINT);
}

bool ProcessBox::cancelled() const
{
    const std::lock_guard guard(m_lock);
    return m_cancelled;
}

void ProcessBox::signalRunningChild(int signal)
{
    const std::lock_guard guard(m_lock);
    if (m_running)
        ::kill(m_pid, signal);
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
        box->signalRunningChild(SIGKILL);
    children.emptied.wait_for(registry, std::chrono::seconds(1), [&children] { return children.boxes.empty(); });
}

} // namespace telvora
