#pragma once

#include "support/ChildProcess.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

// Runs a real peer (avahi-daemon, shairport-sync, mpd, pulseaudio, ...) for
// one test: started in its own temporary folder, awaited until it answers,
// and stopped (SIGTERM, then SIGKILL) when the object goes away.
class ExternalDaemon {
public:
    using ReadinessCheck = std::function<bool()>;

    explicit ExternalDaemon(QString program);
    ~ExternalDaemon();
    ExternalDaemon(const ExternalDaemon&) = delete;
    ExternalDaemon& operator=(const ExternalDaemon&) = delete;

    // The daemon's own folder: configuration, sockets and logs go here.
    QString folder() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    QProcessEnvironment& environment() { return environment_; }

    // Starts the program and waits until `ready` holds (checked every 50 ms
    // while the event loop runs) or the time-out passes. Returns false, with
    // the reason in errorText(), when it exits early or never becomes ready.
    bool start(const QStringList& arguments, ReadinessCheck ready,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Graceful stop; returns the exit code, or -1 when it had to be killed.
    int stop(std::chrono::milliseconds grace = std::chrono::seconds(5));
    // Ends it at once, as a crash would.
    void kill();

    bool isRunning() const { return process_.isRunning(); }
    qint64 pid() const { return process_.pid(); }
    // Everything it printed so far, both streams.
    QByteArray output();
    QString errorText() const { return errorText_; }

    // Full path of an installed program, or empty.
    static QString findProgram(const QString& name);

private:
    QString program_;
    QTemporaryDir dir_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
    ChildProcess process_;
    QString errorText_;
};

// True when something accepts TCP connections on 127.0.0.1:port.
bool tcpPortAnswers(quint16 port);
// True when something accepts connections on the Unix socket at `path`.
bool unixSocketAnswers(const QString& path);
// A TCP port on 127.0.0.1 that was free a moment ago.
quint16 freeTcpPort();
