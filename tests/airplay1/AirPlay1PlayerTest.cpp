#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"
#include "airplay1/PcmReader.h"

#include "ReceivedSound.h"

#include "support/AnsweringSpeaker.h"
#include "support/LocalAvahi.h"
#include "support/LoopbackSpeaker.h"
#include "support/RunTask.h"
#include "support/ShairportSpeaker.h"
#include "support/TestAudio.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Relays a control connection to the real receiver and keeps what the
// player sent, so a test can read the requests on the wire.
class RtspRecorder : public QObject {
public:
    explicit RtspRecorder(quint16 speakerPort)
        : speakerPort_(speakerPort) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection()) {
                auto* speaker = new QTcpSocket(client);
                speaker->connectToHost(QHostAddress::LocalHost, speakerPort_);
                QObject::connect(client, &QTcpSocket::readyRead, speaker, [this, client, speaker] {
                    const QByteArray bytes = client->readAll();
                    sent_ += bytes;
                    speaker->write(bytes);
                });
                QObject::connect(speaker, &QTcpSocket::readyRead, client,
                                 [client, speaker] { client->write(speaker->readAll()); });
                QObject::connect(speaker, &QTcpSocket::disconnected, client,
                                 &QTcpSocket::disconnectFromHost);
                QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    // Request lines of `method`.
    int count(const QByteArray& method) const {
        int n = 0;
        for (const QByteArray& line : sent_.split('\n')) {
            n += line.startsWith(method + " ") && line.endsWith(" RTSP/1.0\r");
        }
        return n;
    }
    QList<QByteArray> volumes() const {
        QList<QByteArray> out;
        for (const QByteArray& line : sent_.split('\n')) {
            if (line.startsWith("volume: ")) {
                out << line.trimmed();
            }
        }
        return out;
    }

private:
    QTcpServer server_;
    quint16 speakerPort_;
    QByteArray sent_;
};

struct EventLog {
    explicit EventLog(AirPlay1Player& player) {
        QObject::connect(&player, &AirPlay1Player::event, &player,
                         [this](const AirPlay1PlayerEvent& e) { events.push_back(e); });
    }
    int count(AirPlay1PlayerEvent::Kind kind) const {
        return int(std::count_if(events.begin(), events.end(),
                                 [kind](const auto& e) { return e.kind == kind; }));
    }
    bool waitFor(AirPlay1PlayerEvent::Kind kind, int times = 1,
                 std::chrono::milliseconds timeout = 15s) const {
        return waitUntil([&] { return count(kind) >= times; }, timeout);
    }
    // What the first event said, to tell why a play did not start.
    std::string first() const { return events.empty() ? "" : events[0].message.toStdString(); }
    std::vector<AirPlay1PlayerEvent> events;
};

using Kind = AirPlay1PlayerEvent::Kind;

const QString kNoneStreamable =
    "None of these tracks can be streamed to Den. Legacy speakers can only play tracks stored on "
    "this computer that aren't copy-protected.";

// Holds a write lease on a file: until it is released, or the kernel's
// lease-break time (45 s by default) runs out, any other open of the file
// waits inside the kernel, as on a network share that stopped answering.
class HeldFile {
public:
    explicit HeldFile(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)) {
        // Owner 0: the kernel signals nobody when an open starts waiting.
        held_ =
            fd_ >= 0 && ::fcntl(fd_, F_SETLEASE, F_WRLCK) == 0 && ::fcntl(fd_, F_SETOWN, 0) == 0;
    }
    ~HeldFile() { release(); }
    bool isHeld() const { return held_; }
    void release() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
    bool held_ = false;
};

int threadsNamed(const QString& name) {
    int n = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + "/comm"));
        n += comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name.toUtf8();
    }
    return n;
}

// The longest pause between the ticks of a 50 ms timer on this thread.
class Ticker {
public:
    Ticker() {
        since_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = since_.elapsed();
            longestGap = std::max(longestGap, now - last_);
            last_ = now;
            ++ticks;
        });
        timer_.start(50);
    }
    int ticks = 0;
    qint64 longestGap = 0;

private:
    QElapsedTimer since_;
    QTimer timer_;
    qint64 last_ = 0;
};

// The speaker as the browser finds it on the private avahi-daemon.
std::optional<AirPlay1Speaker> discover(const QString& name) {
    AirPlay1SpeakerBrowser browser;
    browser.start();
    std::optional<AirPlay1Speaker> found;
    waitUntil(
        [&] {
            for (const auto& s : browser.speakers()) {
                if (s.name == name) {
                    found = s;
                }
            }
            return found.has_value();
        },
        10s);
    return found;
}

// A track whose open never returns stalls nothing: the window's timers keep
// firing while it waits, and after the opening time-out the list counts as
// unplayable. A player destroyed during such an open ends quietly, and the
// worker goes, leaving no file open, once the kernel lets the open return.
TEST(AirPlay1PlayerTest, AnOpenThatNeverReturnsStallsNothing) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const AirPlay1Speaker speaker = loopbackSpeaker("Den", silent.serverPort());
    TestTracks tracks;
    const QUrl url = tracks.tone("held.wav", 440, 44100);
    HeldFile held(url.toLocalFile());
    ASSERT_TRUE(held.isHeld());
    Ticker ticker;

    auto player = std::make_unique<AirPlay1Player>();
    player->setOpeningTimeout(1s);
    EventLog log(*player);
    QElapsedTimer took;
    took.start();
    runTask(player->play({url}, 0, 0, speaker, 50), 5s);
    EXPECT_GE(took.elapsed(), 1000);
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0], AirPlay1PlayerEvent::failed(kNoneStreamable));
    EXPECT_GE(ticker.ticks, 15);

    auto pending = player->play({url}, 0, 0, speaker, 50);
    QTest::qWait(200);
    ASSERT_FALSE(pending.isReady());
    player.reset();
    EXPECT_TRUE(waitUntil([&] { return pending.isReady(); }, 1s))
        << "the destroyed player's play never ended";
    EXPECT_LT(ticker.longestGap, 250) << "the main thread stalled";
    EXPECT_FALSE(silent.hasPendingConnections());

    held.release();
    EXPECT_TRUE(waitUntil([] { return threadsNamed("Korvid opening") == 0; }, 5s));
    EXPECT_EQ(ffmpegReadersOpen(), 0);
}

// The app may end with a request still out. The destructor cancels it, and
// the operation then ends without touching the player (AddressSanitizer
// would see it), instead of hanging or running on in freed memory.
TEST(AirPlay1PlayerTest, DestroyedWithARequestPendingEndsItQuietly) {
    TestTracks tracks;
    const QList<QUrl> urls = {tracks.tone("tone.wav", 440, 44100)};
    QUdpSocket audio;
    ASSERT_TRUE(audio.bind(QHostAddress::LocalHost, 0));
    struct Case {
        QByteArray unanswered;
        bool playFirst; // then the pending operation is a pause
    };
    const Case cases[] = {{"OPTIONS", false}, {"SET_PARAMETER", false}, {"FLUSH", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unanswered.toStdString());
        AnsweringSpeaker standIn(audio.localPort(), {c.unanswered});
        const AirPlay1Speaker speaker = loopbackSpeaker("Den", standIn.port());
        auto player = std::make_unique<AirPlay1Player>();
        EventLog log(*player);
        std::optional<QCoro::Task<>> pending;
        if (c.playFirst) {
            runTask(player->play(urls, 0, 0, speaker, 50), 10s);
            ASSERT_EQ(log.count(Kind::started), 1);
            pending = player->pause();
        } else {
            pending = player->play(urls, 0, 0, speaker, 50);
        }
        ASSERT_TRUE(waitUntil([&] { return standIn.methods().contains(c.unanswered); }, 10s));
        ASSERT_FALSE(pending->isReady());
        player.reset();
        EXPECT_TRUE(waitUntil([&] { return pending->isReady(); }, 2s))
            << "the operation never ended";
    }
}

// Two tones whose lengths are no multiple of a packet come out of a real
// receiver, found through the daemon, sample for sample and joined without
// a gap, as plain samples (the other tests here send compressed ALAC).
TEST(AirPlay1PlayerOnShairport, PlaysTracksGaplessly) {
    KORVID_REQUIRE_LOCAL_AVAHI();
    KORVID_REQUIRE_SHAIRPORT();
    const QString name = QStringLiteral("Korvid Gapless");
    ShairportSpeaker receiver(name);
    ASSERT_TRUE(receiver.start()) << receiver.errorText().toStdString();
    const auto speaker = discover(name);
    ASSERT_TRUE(speaker) << receiver.output().toStdString();
    ASSERT_TRUE(speaker->supportsPCM);

    // 437 Hz and 661 Hz repeat only once a second, so each block of the
    // tracks tells where it lies.
    TestTracks tracks;
    const QList<QUrl> urls = {tracks.tone("a.wav", 437, 30000 + 17),
                              tracks.tone("b.wav", 661, 25000 + 101)};
    const QByteArray reference = tracks.joined();
    ASSERT_EQ(reference.size(), (55000 + 118) * kFrameBytes);

    AirPlay1Player player;
    player.setCompression(false); // plain samples, which the speaker takes
    EventLog log(player);
    runTask(player.play(urls, 0, 0, *speaker, 100), 15s);
    ASSERT_EQ(log.count(Kind::started), 1) << log.first();
    ASSERT_TRUE(log.waitFor(Kind::finished));
    EXPECT_EQ(player.position(),
              (AirPlay1PlaybackPosition{1, (25000 + 101 + (352 - (55118 % 352))) / 44100.0}));

    // The receiver starts a session by dropping a few dozen milliseconds
    // while it settles; from its first sound on it must play the rest of
    // both tracks exactly, with the join intact and nothing after the end
    // but the silence that pads the last packet.
    const qsizetype firstSoundAt = waitForSound(receiver);
    ASSERT_GE(firstSoundAt, 0) << receiver.output().toStdString();
    ASSERT_TRUE(waitUntil(
        [&] {
            const QByteArray pcm = receiver.pcm();
            return pcm.size() - lastSound(pcm) > 100 * kFrameBytes;
        },
        15s))
        << "played " << receiver.pcm().size() << " bytes\n"
        << receiver.output().toStdString();
    const QByteArray pcm = receiver.pcm();
    const qsizetype from = expectPlaysFrom(pcm, reference, 0);
    EXPECT_LE(from, 4410 + 16) << "playback began too late into the first track";
    const qsizetype end = firstSoundAt + 16 * kFrameBytes + reference.size() - from * kFrameBytes;
    EXPECT_EQ(lastSound(pcm), end - kFrameBytes);

    runTask(player.stop());
}

// Pause, resume, skip, volume and a second play, as the receiver gets them;
// then the receiver goes away mid-stream: one failure, and a resume once it
// is back continues at the remembered track and place; stop ends it.
TEST(AirPlay1PlayerOnShairportWire, SessionControlAndResumeAfterALostConnection) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    const QString name = QStringLiteral("Korvid Session Control");
    const quint16 port = freeTcpPort();
    auto receiver = std::make_unique<ShairportSpeaker>(name, port);
    ASSERT_TRUE(receiver->start()) << receiver->errorText().toStdString();
    RtspRecorder wire(port);
    const AirPlay1Speaker speaker = loopbackSpeaker(name, wire.port());
    TestTracks tracks;
    const qint64 trackFrames = 44100 * 20 + 5;
    const QList<QUrl> urls = {
        tracks.text("x.wav"), tracks.text("y.wav"), tracks.noise("c.wav", 1, trackFrames),
        tracks.noise("d.wav", 2, trackFrames), tracks.noise("e.wav", 3, trackFrames)};
    const QByteArray reference = tracks.joined();

    AirPlay1Player player;
    EventLog log(player);
    // Two unreadable tracks first: it starts at the third, from its start.
    runTask(player.play(urls, 0, 5.0, speaker, 0), 15s);
    ASSERT_EQ(log.count(Kind::started), 1) << log.first();
    auto at = player.position();
    ASSERT_TRUE(at);
    EXPECT_EQ(at->index, 2);
    EXPECT_LT(at->seconds, 1.0);
    runTask(player.setVolume(50));
    runTask(player.setVolume(150));
    EXPECT_EQ(wire.volumes(),
              QList<QByteArray>({"volume: -144.000000", "volume: -15.000000", "volume: 0.000000"}));

    // Pause: sending stops and the place holds still.
    QTest::qWait(1500);
    runTask(player.pause());
    EXPECT_EQ(log.count(Kind::paused), 1);
    EXPECT_EQ(wire.count("FLUSH"), 1);
    const auto paused = player.position();
    ASSERT_TRUE(paused);
    QTest::qWait(500);
    EXPECT_EQ(player.position(), paused);

    // Resume carries on from exactly there: the first sound the receiver
    // plays afterwards is the frames that follow the last ones sent (less
    // what it drops while it settles).
    const qsizetype playedBeforeResume = receiver->pcm().size();
    runTask(player.resume());
    EXPECT_EQ(log.count(Kind::started), 2);
    const qsizetype resumeFrame = qsizetype(std::llround(paused->seconds * 44100));
    expectContinuesAt(*receiver, playedBeforeResume, reference, resumeFrame);
    const auto resumed = player.position();
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->index, 2);
    EXPECT_GT(resumed->seconds, paused->seconds);

    // Skips: one forward starts the next track, zero restarts it.
    for (const int by : {1, 0}) {
        runTask(player.skip(by));
        at = player.position();
        ASSERT_TRUE(at);
        EXPECT_EQ(at->index, 3) << "skip " << by;
        EXPECT_LT(at->seconds, 0.5) << "skip " << by;
        QTest::qWait(1000);
    }

    // A new list on the same speaker reuses the session.
    runTask(player.play(urls, 4, 2.0, speaker, 50));
    at = player.position();
    ASSERT_TRUE(at);
    EXPECT_EQ(at->index, 4);
    EXPECT_GE(at->seconds, 2.0);
    for (const char* method : {"ANNOUNCE", "SETUP", "RECORD"}) {
        EXPECT_EQ(wire.count(method), 1) << method;
    }

    // The receiver goes away: one failure, and the place is remembered.
    QTest::qWait(1000);
    receiver->stop();
    const auto stoppedAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(log.waitFor(Kind::failed, 1, 12s));
    EXPECT_LE(std::chrono::steady_clock::now() - stoppedAt, 12s);
    QTest::qWait(1000);
    ASSERT_EQ(log.count(Kind::failed), 1);
    const auto failure = std::find_if(log.events.begin(), log.events.end(),
                                      [](const auto& e) { return e.kind == Kind::failed; });
    EXPECT_EQ(failure->message, "Lost the connection to Korvid Session Control.");
    const auto remembered = player.position();
    ASSERT_TRUE(remembered);
    EXPECT_EQ(remembered->index, 4);
    EXPECT_GT(remembered->seconds, 2.5);

    // Back on the same port, it plays on from the remembered frame.
    receiver = std::make_unique<ShairportSpeaker>(name, port);
    ASSERT_TRUE(receiver->start()) << receiver->errorText().toStdString();
    const int starts = log.count(Kind::started);
    runTask(player.resume(), 15s);
    EXPECT_EQ(log.count(Kind::started), starts + 1);
    EXPECT_EQ(wire.count("ANNOUNCE"), 2);
    at = player.position();
    ASSERT_TRUE(at);
    EXPECT_EQ(at->index, 4);
    EXPECT_GE(at->seconds, remembered->seconds);
    expectContinuesAt(*receiver, 0, reference,
                      2 * trackFrames + qsizetype(std::llround(remembered->seconds * 44100)));

    // Skipping past the last track flushes and finishes.
    const int flushes = wire.count("FLUSH");
    runTask(player.skip(1));
    EXPECT_EQ(wire.count("FLUSH"), flushes + 1);
    EXPECT_TRUE(log.waitFor(Kind::finished));

    // Stop answers the place taken before the session ends.
    const auto before = player.position();
    const auto stopped = runTask(player.stop());
    EXPECT_EQ(stopped, before);
    ASSERT_TRUE(waitUntil([&] { return wire.count("TEARDOWN") == 1; }, 5s));
    EXPECT_FALSE(player.position());
    EXPECT_TRUE(player.sessionUri().isEmpty());
    EXPECT_EQ(log.count(Kind::failed), 1);
}

// The next track's file stops answering mid-stream (a network share that
// stalls): the window's timers keep firing while it asks where playback
// stands, the receiver plays silence in time instead of running dry, and
// once the file answers playback carries on exactly where it stopped, with
// no burst of late packets.
TEST(AirPlay1PlayerOnShairportWire, StalledFilePlaysSilenceThenCarriesOn) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker receiver("Korvid Stall");
    ASSERT_TRUE(receiver.start()) << receiver.errorText().toStdString();
    const AirPlay1Speaker speaker = loopbackSpeaker("Korvid Stall", receiver.port());
    TestTracks tracks;
    const qint64 firstFrames = 44100 * 3 + 7;
    const QList<QUrl> urls = {tracks.noise("h.wav", 6, firstFrames),
                              tracks.noise("i.wav", 7, 44100 * 4)};
    const QByteArray reference = tracks.joined();
    HeldFile held(urls[1].toLocalFile());
    ASSERT_TRUE(held.isHeld());
    // The file answers 7 s after play, whatever the main thread is doing.
    std::atomic<bool> answered{false};
    std::thread answer([&held, &answered] {
        std::this_thread::sleep_for(7s);
        held.release();
        answered = true;
    });
    Ticker ticker;
    AirPlay1Player player;
    QTimer refresh; // the window asks where playback stands
    QObject::connect(&refresh, &QTimer::timeout, [&player] { (void)player.position(); });
    refresh.start(100);
    EventLog log(player);
    runTask(player.play(urls, 0, 0, speaker, 100), 15s);
    ASSERT_EQ(log.count(Kind::started), 1) << log.first();
    const qsizetype firstSoundAt = waitForSound(receiver);
    ASSERT_GE(firstSoundAt, 0) << receiver.output().toStdString();

    // Track 0 ends about 3 s in; its last part block waits for track 1.
    QTest::qWait(4000);
    const qsizetype stalledAt = receiver.pcm().size();
    QTest::qWait(1000);
    const QByteArray duringStall = receiver.pcm().mid(stalledAt);
    EXPECT_GE(duringStall.size(), 35280 * kFrameBytes) << "the receiver ran dry";
    EXPECT_TRUE(isSilence(duringStall));
    EXPECT_TRUE(waitUntil([&] { return answered.load(); }, 5s));
    answer.join();
    const qsizetype sentOfFirst = firstFrames - firstFrames % 352;
    expectContinuesAt(receiver, stalledAt, reference, sentOfFirst);
    EXPECT_LT(ticker.longestGap, 250) << "the main thread stalled";
    ::testing::Test::RecordProperty("longest_timer_gap_ms", int(ticker.longestGap));
    ASSERT_TRUE(log.waitFor(Kind::finished, 1, 20s));
    EXPECT_EQ(log.count(Kind::failed), 0);
}

} // namespace
