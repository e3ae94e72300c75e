#include "MpdTestServer.h"

#include "musicapp/LibMpdClient.h"
#include "musicapp/MpdConfiguration.h"
#include "musicapp/MpdEndpoints.h"
#include "musicapp/MusicAppController.h"
#include "support/RunTask.h"
#include "support/ScopedEnvironment.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace std::chrono_literals;

// A player that does not start says why in one line: mpd missing, a folder
// Korvid cannot write, or mpd's own last word (here: its socket's place is
// taken).
TEST(MpdLaunchTest, AStartThatFailsSaysWhy) {
    enum class Trouble { noProgram, unwritableFolder, socketTaken };
    struct Case {
        Trouble trouble;
        QString expected; // the description, or its start
    };
    const Case cases[] = {
        {Trouble::noProgram, "The music player couldn't be opened. Install mpd and try again."},
        {Trouble::unwritableFolder,
         "The music player couldn't be opened. Korvid couldn't write its settings under "},
        {Trouble::socketTaken,
         "The music player couldn't be opened. MPD says: Failed to bind to '"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.trouble));
        TestHome home;
        ScopedEnvironment environment;
        MusicAppController::Options options;
        options.musicFolder = home.path();
        options.addresses = {{home.filePath("nobody.socket"), 0}};
        const MpdDaemonFiles files = options.ownDaemon;
        switch (c.trouble) {
        case Trouble::noProgram:
            environment.set("PATH", QFile::encodeName(home.path()));
            break;
        case Trouble::unwritableFolder:
            QDir().mkpath(QFileInfo(files.folder).absolutePath());
            ASSERT_TRUE(QFile(files.folder).open(QIODevice::WriteOnly)); // a file, not a folder
            break;
        case Trouble::socketTaken:
            ASSERT_TRUE(QDir().mkpath(files.socketPath));
            break;
        }
        MusicAppController controller(std::move(options));
        const auto error = failureOf<MusicAppError>(controller.launchIfNeeded(), 20s);
        const OwnMpdStopper stop(files);
        ASSERT_TRUE(error) << "launched";
        EXPECT_EQ(error->kind(), MusicAppError::Kind::notInstalled);
        EXPECT_TRUE(error->description().startsWith(c.expected))
            << error->description().toStdString();
        if (c.trouble == Trouble::socketTaken) {
            EXPECT_TRUE(error->description().endsWith("Address already in use"))
                << error->description().toStdString();
        }
    }
}

TEST(MpdConfigurationTest, OneOutputPerSinkAndQuotedValues) {
    const MpdDaemonFiles files{"/data/k\"orvid", "/run/k/mpd.socket"};
    const QByteArray withSinks =
        mpdConfiguration("/music/\"A\\B\"", files,
                         {{"alsa_output.pci", "Built-in \"Audio\""}, {"bluez_sink.xx", ""}});
    EXPECT_TRUE(withSinks.contains("music_directory \"/music/\\\"A\\\\B\\\"\"\n"));
    EXPECT_TRUE(withSinks.contains("bind_to_address \"/run/k/mpd.socket\"\n"));
    EXPECT_TRUE(withSinks.contains("db_file \"/data/k\\\"orvid/database\"\n"));
    EXPECT_TRUE(withSinks.contains("auto_update \"yes\"\n"));
    EXPECT_TRUE(withSinks.contains("zeroconf_enabled \"no\"\n"));
    EXPECT_EQ(withSinks.count("audio_output {"), 2);
    EXPECT_TRUE(withSinks.contains(
        "name \"Built-in \\\"Audio\\\"\"\n    sink \"alsa_output.pci\"\n    enabled \"yes\""));
    EXPECT_TRUE(withSinks.contains(
        "name \"bluez_sink.xx\"\n    sink \"bluez_sink.xx\"\n    enabled \"no\""));
    const QByteArray noSinks = mpdConfiguration("/m\nx", files, {});
    EXPECT_EQ(noSinks.count("audio_output {"), 1);
    EXPECT_TRUE(noSinks.contains("type \"alsa\""));
    EXPECT_FALSE(noSinks.contains("/m\nx")) << "a line break would end the setting";
}

TEST(MpdEndpoints, OnlyTheMpdTheUserNamedOrRunsIsTriedAndNeverAWellKnownPort) {
    const struct {
        MpdEnvironment environment;
        QList<MpdAddress> expected;
    } cases[] = {
        // The environment's choice alone, TCP included: libmpdclient reads it.
        {{true, "/run/user/1000"}, {MpdAddress{}}},
        {{false, "/run/user/1000"}, {{"/run/user/1000/mpd/socket", 0}}},
        // Neither: only Korvid's own, never 127.0.0.1:6600 or /run/mpd/socket.
        {{false, ""}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(userMpdAddresses(c.environment), c.expected)
            << c.environment.namesMpd << c.environment.runtimeFolder.toStdString();
    }

    // Another user's socket is never spoken to.
    const struct {
        unsigned owner, user;
        bool trusted;
    } owners[] = {{1000, 1000, true}, {0, 1000, true}, {1001, 1000, false}, {1000, 0, false}};
    for (const auto& o : owners) {
        EXPECT_EQ(isTrustedSocketOwner(o.owner, o.user), o.trusted) << o.owner << " " << o.user;
    }
}

// A peer on MPD's socket that misbehaves in one way.
enum class Misbehaviour { silent, hangsUp, nonsense, endlessLine, garbledGreeting };

class BadPeer {
public:
    BadPeer(const QString& path, Misbehaviour how)
        : how_(how) {
        QLocalServer::removeServer(path);
        server_.listen(path);
        QObject::connect(&server_, &QLocalServer::newConnection, [this] { accept(); });
    }

private:
    void accept() {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            switch (how_) {
            case Misbehaviour::silent:
                break;
            case Misbehaviour::hangsUp:
                socket->disconnectFromServer();
                break;
            case Misbehaviour::garbledGreeting:
                socket->write("HELLO THERE\n");
                break;
            case Misbehaviour::nonsense:
            case Misbehaviour::endlessLine:
                socket->write("OK MPD 0.23.5\n");
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    if (how_ == Misbehaviour::nonsense) {
                        socket->write("volume: 1\n\x01\xff nonsense without a colon\nOK\n");
                    } else {
                        socket->write(QByteArray(256 * 1024, 'x'));
                    }
                });
                break;
            }
        }
    }

    Misbehaviour how_;
    QLocalServer server_;
};

TEST(MpdBadInputTest, AMisbehavingPeerGivesAnErrorQuickly) {
    const Misbehaviour cases[] = {Misbehaviour::silent, Misbehaviour::hangsUp,
                                  Misbehaviour::nonsense, Misbehaviour::endlessLine,
                                  Misbehaviour::garbledGreeting};
    TestHome home;
    for (Misbehaviour how : cases) {
        const QString path = home.filePath(QStringLiteral("peer%1.socket").arg(int(how)));
        BadPeer peer(path, how);
        MusicAppController::Options options;
        options.addresses = {{path, 0}};
        options.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
        options.connector = std::make_shared<LibMpdConnector>(1000ms);
        MusicAppController controller(std::move(options));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_THROW(runTask(controller.status(), 6s), MusicAppError) << int(how);
        EXPECT_THROW(runTask(controller.setMusicVolume(20), 6s), MusicAppError) << int(how);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << int(how);
    }
}

} // namespace
