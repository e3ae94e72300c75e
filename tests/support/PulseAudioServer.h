#pragma once

#include "support/ExternalDaemon.h"
#include "support/ScopedEnvironment.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>

// A private pulseaudio for one test: no default script, a null sink and a
// null source, and a native-protocol socket in the daemon's own temporary
// folder that clients reach through PULSE_SERVER. It never touches the
// user's sound server and never exits on its own while the test runs.
class PulseAudioServer {
public:
    static constexpr const char* kSinkName = "korvid_null_sink";
    static constexpr const char* kSourceName = "korvid_null_source";

    PulseAudioServer();
    ~PulseAudioServer();
    PulseAudioServer(const PulseAudioServer&) = delete;
    PulseAudioServer& operator=(const PulseAudioServer&) = delete;

    // Starts the daemon and waits until a client is served. On failure the
    // reason is in errorText().
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void stop();
    bool isRunning() const { return daemon_.isRunning(); }
    QString errorText() const { return errorText_; }

    // "unix:" plus the socket path, the form PULSE_SERVER takes.
    QString serverAddress() const;
    QString socketPath() const;
    // The environment a client process needs to reach this server.
    QProcessEnvironment clientEnvironment() const;
    // Points this process's own libpulse clients at the server until
    // restoreEnvironment() or destruction.
    void exportToThisProcess();
    void restoreEnvironment();

    // Runs pactl against this server; true on exit code 0.
    bool pactl(const QStringList& arguments, QByteArray* output = nullptr) const;
    // Loads a module (pactl load-module); returns its index or -1.
    int loadModule(const QString& name, const QStringList& arguments = {});

    ExternalDaemon& daemon() { return daemon_; }

private:
    ExternalDaemon daemon_;
    QString errorText_;
    ScopedEnvironment exported_;
};

// A recording program on `server`, as a call or dictation would open one.
class PulseRecorder {
public:
    PulseRecorder(const PulseAudioServer& server, const QString& source) {
        process_.setProcessEnvironment(server.clientEnvironment());
        process_.start(
            ExternalDaemon::findProgram(QStringLiteral("parecord")),
            {QStringLiteral("--raw"), QStringLiteral("-d"), source, QStringLiteral("/dev/null")});
        started_ = process_.waitForStarted(5000);
    }
    ~PulseRecorder() { stop(); }
    PulseRecorder(const PulseRecorder&) = delete;
    PulseRecorder& operator=(const PulseRecorder&) = delete;

    bool started() const { return started_; }
    qint64 pid() const { return process_.processId(); }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished(5000);
            }
        }
    }

private:
    QProcess process_;
    bool started_ = false;
};
