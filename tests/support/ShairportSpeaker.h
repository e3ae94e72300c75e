#pragma once

#include "support/ExternalDaemon.h"
#include "support/RequiredPeers.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

// A real AirPlay 1 receiver (shairport-sync) on loopback, announced through
// the private avahi-daemon (LocalAvahi). It plays into a pipe that this
// fixture drains, so a test can read back the PCM it received (signed
// 16-bit little-endian stereo at 44100 Hz). Runs with --statistics, which
// prints packet counts about once a second into output().
class ShairportSpeaker {
public:
    // `name` is the announced speaker name; port 0 picks a free one.
    explicit ShairportSpeaker(QString name, quint16 port = 0);
    ~ShairportSpeaker();
    ShairportSpeaker(const ShairportSpeaker&) = delete;
    ShairportSpeaker& operator=(const ShairportSpeaker&) = delete;

    // Before start(): play into `sink` of the PulseAudio server that `env`
    // reaches, keeping in step with the sender's clock as on a real device,
    // instead of into the pipe. Its statistics then include its sync error.
    void playInto(const QProcessEnvironment& env, const QString& sink);

    // Starts it and waits until it accepts RTSP connections. Needs
    // LocalAvahi::instance() to be running. False with errorText() otherwise.
    bool start();
    void stop();
    // Ends it at once, as a crash or a pulled plug would.
    void kill() { daemon_.kill(); }

    const QString& name() const { return name_; }
    quint16 port() const { return port_; }
    // Everything it played so far.
    QByteArray pcm() const;
    // Its log and statistics so far.
    QByteArray output() { return daemon_.output(); }
    QString errorText() const { return errorText_; }
    bool isRunning() const { return daemon_.isRunning(); }

private:
    void drain();

    QString name_;
    quint16 port_;
    ExternalDaemon daemon_;
    QString pipePath_;
    QString sink_; // a PulseAudio sink instead of the pipe, when set
    QString errorText_;
    std::thread reader_;
    std::atomic<bool> stopReading_{false};
    mutable QMutex mutex_;
    QByteArray pcm_;
};

// Skips (or fails, see RequiredPeers.h) the calling test when shairport-sync
// is not installed.
#define KORVID_REQUIRE_SHAIRPORT()                                                                 \
    do {                                                                                           \
        if (ExternalDaemon::findProgram(QStringLiteral("shairport-sync")).isEmpty()) {             \
            KORVID_PEER_MISSING("shairport-sync is not installed");                                \
        }                                                                                          \
    } while (false)
