#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

#include <sys/types.h>

// A program a test runs: started with fork and exec, its standard output and
// error collected together by a reader thread, and killed if the thread that
// started it ends first (so a crashed test leaves no peer behind).
//
// Not QProcess: Qt starts children with vfork semantics, and the child's
// short run in our memory leaves ThreadSanitizer's state of the starting
// thread damaged; from then on it misses that thread's locks and reports
// races that are not there.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `program` is a path or a name looked up in PATH. False, with the reason
    // in errorText(), when it cannot be started.
    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
               const QString& workingDirectory = {});
    QString errorText() const { return errorText_; }

    bool isRunning() const;
    pid_t pid() const { return pid_; }
    void terminate() const; // SIGTERM
    void kill() const;      // SIGKILL
    // True when it has ended within `timeout`; its output is then complete
    // (unless a program it left behind still holds the pipe).
    bool waitForFinished(std::chrono::milliseconds timeout) const;
    // Its exit code once it ended by itself; empty while running or when a
    // signal ended it.
    std::optional<int> exitCode() const;
    // Everything it printed so far.
    QByteArray output() const;

private:
    void reap(bool wait) const;
    void readOutput(int fd);

    pid_t pid_ = -1;
    mutable bool reaped_ = false;
    mutable int status_ = 0;
    QString errorText_;
    int wakeReadFd_ = -1;
    int wakeWriteFd_ = -1;
    std::thread reader_;
    std::atomic<bool> outputClosed_{false};
    mutable std::mutex outputMutex_;
    QByteArray output_;
};

// Runs a program to its end (killing it after `timeout`) and tells how it
// went: the exit code when it finished by itself, and its output.
struct ProgramRun {
    std::optional<int> exitCode;
    QByteArray output;
    bool succeeded() const { return exitCode == 0; }
};
ProgramRun
runProgram(const QString& program, const QStringList& arguments,
           std::chrono::milliseconds timeout = std::chrono::seconds(60),
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
