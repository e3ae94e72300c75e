// Which MPD Korvid agrees to talk to: the table of where it looks, and a real
// MPD on the user's runtime socket, used while the socket is the user's and
// left alone once another user owns it.
#include "MpdTestServer.h"

#include "musicapp/LibMpdClient.h"
#include "musicapp/MpdEndpoints.h"
#include "musicapp/MusicAppController.h"
#include "support/RunTask.h"
#include "support/ScopedEnvironment.h"
#include "support/TestHome.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

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

    const struct {
        unsigned owner, user;
        bool trusted;
    } owners[] = {{1000, 1000, true}, {0, 1000, true}, {1001, 1000, false}, {1000, 0, false}};
    for (const auto& o : owners) {
        EXPECT_EQ(isTrustedSocketOwner(o.owner, o.user), o.trusted) << o.owner << " " << o.user;
    }
}

TEST(MpdEndpoints, AnMpdOnTheRuntimeSocketIsUsedOnlyWhileTheUserOwnsIt) {
    TestHome home;
    ScopedEnvironment environment;
    environment.set("MPD_HOST", QByteArray());
    environment.set("MPD_PORT", QByteArray());
    MpdTestServer mpd;
    ASSERT_TRUE(mpd.start(false)) << mpd.errorText().toStdString();
    // <runtime>/mpd/socket is that MPD's socket.
    ASSERT_TRUE(QFile::link(QFileInfo(mpd.socketPath()).absolutePath(),
                            home.xdg("XDG_RUNTIME_DIR") + QStringLiteral("/mpd")));

    const auto controllerAnswers = [&] {
        MusicAppController::Options options;
        options.addresses = MusicAppController::standardMpdAddresses();
        options.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
        options.startDaemon = [] { return false; };
        return runTask(MusicAppController(std::move(options)).isRunning());
    };
    EXPECT_TRUE(controllerAnswers());

    // The same MPD behind a socket another user owns, as when someone else
    // put a player where the user's own would listen: it still answers, but
    // Korvid does not talk to it.
    ASSERT_EQ(::chown(QFile::encodeName(mpd.socketPath()).constData(), 65534, 65534), 0)
        << "changing a socket's owner needs root";
    EXPECT_NO_THROW(LibMpdConnector().connect(mpd.address()));
    EXPECT_FALSE(controllerAnswers());
}

} // namespace
