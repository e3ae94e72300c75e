#include "support/ChildProcess.h"

#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// NUL-terminated strings and the pointer array execve wants, built before
// the fork so the child allocates nothing.
class CStringList {
public:
    explicit CStringList(const QStringList& items) {
        for (const QString& item : items) {
            storage_.push_back(item.toLocal8Bit());
        }
        for (QByteArray& item : storage_) {
            pointers_.push_back(item.data());
        }
        pointers_.push_back(nullptr);
    }
    char* const* data() { return pointers_.data(); }

private:
    std::vector<QByteArray> storage_;
    std::vector<char*> pointers_;
};

void closeIfOpen(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Both ends of a close-on-exec pipe, closed when it goes unless taken.
struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() {
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            ends[0] = ends[1] = -1;
        }
    }
    ~Pipe() {
        close(0);
        close(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool isOpen() const { return ends[0] >= 0; }
    void close(int end) { closeIfOpen(ends[end]); }
    int take(int end) { return std::exchange(ends[end], -1); }
};

} // namespace

ChildProcess::~ChildProcess() {
    if (isRunning()) {
        kill();
        reap(true);
    }
    if (reader_.joinable()) {
        // A program it left behind may still hold the output pipe open; wake
        // the reader. Both ends of the wake pipe stay open until it is gone.
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wakeWriteFd_, &byte, 1);
        reader_.join();
    }
    closeIfOpen(wakeWriteFd_);
    closeIfOpen(wakeReadFd_);
}

bool ChildProcess::start(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, const QString& workingDirectory) {
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        errorText_ = program + QStringLiteral(" is not installed");
        return false;
    }
    CStringList argv(QStringList{path} + arguments);
    CStringList envp(environment.toStringList());
    const QByteArray folder = workingDirectory.toLocal8Bit();
    const QByteArray executable = path.toLocal8Bit();

    Pipe output;
    Pipe execError;
    Pipe wake;
    if (!output.isOpen() || !execError.isOpen() || !wake.isOpen()) {
        errorText_ = QStringLiteral("no pipe: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here to exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(output.ends[1], STDOUT_FILENO);
        ::dup2(output.ends[1], STDERR_FILENO);
        if (folder.isEmpty() || ::chdir(folder.constData()) == 0) {
            ::execve(executable.constData(), argv.data(), envp.data());
        }
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(execError.ends[1], &error, sizeof error);
        ::_exit(127);
    }
    if (child < 0) {
        errorText_ = QStringLiteral("fork failed: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    output.close(1);
    execError.close(1);
    // The error pipe closes on a successful exec, or carries the reason.
    int startError = 0;
    ssize_t got;
    do {
        got = ::read(execError.ends[0], &startError, sizeof startError);
    } while (got < 0 && errno == EINTR);
    pid_ = child;
    reaped_ = false;
    if (got == sizeof startError) {
        reap(true);
        errorText_ = program + QStringLiteral(" did not start: ") +
                     QString::fromLocal8Bit(std::strerror(startError));
        return false;
    }
    wakeReadFd_ = wake.take(0);
    wakeWriteFd_ = wake.take(1);
    reader_ = std::thread([this, fd = output.take(0)] { readOutput(fd); });
    return true;
}

void ChildProcess::readOutput(int fd) {
    char buffer[65536];
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeReadFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(outputMutex_);
                output_.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            break; // every writer has gone
        }
        if (fds[1].revents) {
            break;
        }
    }
    ::close(fd);
    outputClosed_ = true;
}

void ChildProcess::reap(bool wait) const {
    if (pid_ <= 0 || reaped_) {
        return;
    }
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, wait ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == pid_ || (result < 0 && errno == ECHILD)) {
        reaped_ = true;
        status_ = result == pid_ ? status : 0;
    }
}

bool ChildProcess::isRunning() const {
    reap(false);
    return pid_ > 0 && !reaped_;
}

void ChildProcess::terminate() const {
    if (isRunning()) {
        ::kill(pid_, SIGTERM);
    }
}

void ChildProcess::kill() const {
    if (isRunning()) {
        ::kill(pid_, SIGKILL);
    }
}

bool ChildProcess::waitForFinished(std::chrono::milliseconds timeout) const {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    while (isRunning()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Let the reader take the last of the output, unless something the
    // program left behind keeps the pipe open.
    const auto outputDeadline = std::min(deadline, Clock::now() + std::chrono::seconds(1));
    while (!outputClosed_ && Clock::now() < outputDeadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pid_ > 0;
}

std::optional<int> ChildProcess::exitCode() const {
    if (isRunning() || pid_ <= 0 || !WIFEXITED(status_)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status_);
}

QByteArray ChildProcess::output() const {
    std::lock_guard lock(outputMutex_);
    // A copy of its own: a shared one, released by the caller while the reader
    // thread appends, would be ordered only by Qt's reference count inside
    // Qt, which ThreadSanitizer cannot see.
    return QByteArray(output_.constData(), output_.size());
}

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      std::chrono::milliseconds timeout, const QProcessEnvironment& environment) {
    ChildProcess process;
    if (!process.start(program, arguments, environment)) {
        return {std::nullopt, process.errorText().toLocal8Bit()};
    }
    if (!process.waitForFinished(timeout)) {
        process.kill();
        process.waitForFinished(std::chrono::seconds(5));
        return {std::nullopt, process.output() + "\n(killed: no end in time)"};
    }
    return {process.exitCode(), process.output()};
}
