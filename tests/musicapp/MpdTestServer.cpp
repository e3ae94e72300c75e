#include "MpdTestServer.h"

#include "musicapp/LibMpdClient.h"
#include "musicapp/TrackIdentity.h"
#include "support/PulseAudioServer.h"
#include "support/RunTask.h"
#include "support/TestAudio.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include <unistd.h>

namespace {

QByteArray quoted(const QString& value) {
    QByteArray text = value.toUtf8();
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

} // namespace

const TestMusicFolder& TestMusicFolder::shared() {
    static QTemporaryDir dir;
    static TestMusicFolder folder = [] {
        TestMusicFolder made;
        made.path = dir.path() + QStringLiteral("/music");
        QDir().mkpath(made.path + QStringLiteral("/Album"));
        made.files = {QStringLiteral("Album/01 Plain.flac"),
                      QStringLiteral("Album/02 \"Quoted\" Song.flac"),
                      QStringLiteral("Album/03 Back\\slash Ärger ñ.flac")};
        made.lineBreakFile = QStringLiteral("Album/04 Line\nbreak.flac");
        // One tone, copied under every name: ffmpeg runs once per process.
        const QString tone = dir.path() + QStringLiteral("/tone.flac");
        const QString failure = makeTestAudio(
            tone, {.seconds = 30, .channels = 1, .rate = 22050, .tags = {{"title", "Tone"}}});
        if (!failure.isEmpty()) {
            qFatal("%s", qPrintable(failure));
        }
        for (const QString& file : made.files + QStringList{made.lineBreakFile}) {
            if (!QFile::copy(tone, made.path + QLatin1Char('/') + file)) {
                qFatal("could not copy the test music");
            }
        }
        return made;
    }();
    return folder;
}

QString testTrackID(const QString& relativePath) {
    return TrackIdentity::hexTrackID(TrackIdentity::trackPersistentID(relativePath));
}

QStringList testTrackIDs(const QStringList& relativePaths) {
    QStringList ids;
    for (const QString& path : relativePaths) {
        ids.append(testTrackID(path));
    }
    return ids;
}

MusicAppController::TrackFileLookup trackFilesByID(const QStringList& relativePaths) {
    QMap<QString, QString> files;
    for (const QString& path : relativePaths) {
        files.insert(testTrackID(path), path);
    }
    return [files](const QString& id) { return files.value(id); };
}

MusicPlayerStatus statusWhen(MusicAppController& controller,
                             const std::function<bool(const MusicPlayerStatus&)>& wanted) {
    MusicPlayerStatus last;
    waitUntil([&] { return wanted(last = runTask(controller.status())); }, std::chrono::seconds(5));
    return last;
}

MpdTestServer::MpdTestServer(PulseAudioServer* pulse, QByteArray extraConfig, bool storedPlaylists)
    : daemon_(QStringLiteral("mpd"))
    , pulse_(pulse)
    , extraConfig_(std::move(extraConfig))
    , storedPlaylists_(storedPlaylists) {}

MpdTestServer::~MpdTestServer() {
    daemon_.stop(std::chrono::seconds(3));
}

std::unique_ptr<MpdClient> MpdTestServer::connect() const {
    return LibMpdConnector(std::chrono::seconds(3)).connect(address());
}

bool MpdTestServer::start(bool waitForDatabase) {
    if (musicFolder_.isEmpty()) {
        const TestMusicFolder& music = TestMusicFolder::shared();
        useMusic(music.path, music.files);
    }
    QDir().mkpath(daemon_.filePath(QStringLiteral("playlists")));
    QByteArray config;
    config += "music_directory " + quoted(musicFolder_) + "\n";
    if (storedPlaylists_) {
        config += "playlist_directory " + quoted(daemon_.filePath("playlists")) + "\n";
    }
    config += "db_file " + quoted(daemon_.filePath("database")) + "\n";
    config += "state_file " + quoted(daemon_.filePath("state")) + "\n";
    config += "bind_to_address " + quoted(socketPath()) + "\n";
    config += "auto_update \"no\"\n";
    config += "zeroconf_enabled \"no\"\n";
    config += extraConfig_;
    if (pulse_) {
        config += "audio_output {\n type \"pulse\"\n name \"Speakers\"\n server " +
                  quoted(pulse_->serverAddress()) + "\n sink \"" + PulseAudioServer::kSinkName +
                  "\"\n mixer_type \"software\"\n}\n";
    }
    for (const QString& name : {QStringLiteral("Silent"), awkwardOutputName}) {
        config += "audio_output {\n type \"null\"\n name " + quoted(name) +
                  "\n mixer_type \"software\"\n}\n";
    }
    QFile file(daemon_.filePath(QStringLiteral("mpd.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        error_ = QStringLiteral("cannot write the configuration");
        return false;
    }
    file.close();
    const QString socket = socketPath();
    if (!daemon_.start({QStringLiteral("--no-daemon"), QStringLiteral("--stderr"), file.fileName()},
                       [socket] { return unixSocketAnswers(socket); })) {
        error_ = daemon_.errorText() + QString::fromUtf8(daemon_.output());
        return false;
    }
    // A fresh database is filled in the background; wait until MPD knows
    // every file.
    if (!waitForDatabase) {
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            // Probed through the queue, which every MPD has; it is empty
            // again afterwards.
            auto client = connect();
            unsigned known = 0;
            for (const QString& f : musicFiles_) {
                known += client->appendToQueue(f) ? 1 : 0;
            }
            if (known > 0) {
                client->deleteFromQueue(0, known);
            }
            if (known == musicFiles_.size()) {
                return true;
            }
        } catch (const MpdFailure&) {
        }
        QThread::msleep(50);
    }
    error_ =
        QStringLiteral("MPD never listed the test files: ") + QString::fromUtf8(daemon_.output());
    return false;
}

OwnMpdStopper::~OwnMpdStopper() {
    const pid_t daemon = pid();
    if (daemon <= 0) {
        return;
    }
    ::kill(daemon, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::kill(daemon, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
        QThread::msleep(20);
    }
    ::kill(daemon, SIGKILL);
}

pid_t OwnMpdStopper::pid() const {
    QFile file(files_.pidFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
}

QStringList makeLargeMusicFolder(const QString& folder, int albumTracks, int otherFiles) {
    const QString seed = folder + QStringLiteral("/.seed.flac");
    QDir().mkpath(folder + QStringLiteral("/Album"));
    const QString failure = makeTestAudio(
        seed, {.source = "sine=frequency=440:sample_rate=8000", .seconds = 3, .channels = 1});
    if (!failure.isEmpty()) {
        qFatal("%s", qPrintable(failure));
    }
    QStringList album;
    auto link = [&](const QString& relative) {
        if (::link(QFile::encodeName(seed).constData(),
                   QFile::encodeName(folder + QLatin1Char('/') + relative).constData()) != 0) {
            qFatal("could not link %s", qPrintable(relative));
        }
    };
    for (int i = 1; i <= albumTracks; ++i) {
        album.append(QStringLiteral("Album/%1 Track.flac").arg(i, 2, 10, QLatin1Char('0')));
        link(album.last());
    }
    for (int i = 0; i < otherFiles; ++i) {
        const QString sub = QStringLiteral("Other %1").arg(i / 100);
        if (i % 100 == 0) {
            QDir().mkpath(folder + QLatin1Char('/') + sub);
        }
        link(sub + QStringLiteral("/%1.flac").arg(i));
    }
    QFile::remove(seed);
    return album;
}
