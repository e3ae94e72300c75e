#include "SpotifyFixture.h"

#include "model/MusicSourceSettings.h"
#include "platform/InstanceHandoff.h"
#include "platform/SingleInstance.h"
#include "platform/WebAuthSession.h"
#include "support/RequiredPeers.h"
#include "ui/SpotifySignIn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

namespace {

// Runs the peer process; the event loop keeps turning meanwhile, so the
// listening side in this process can answer.
int runPeer(const QString& socket, const QString& message) {
    QProcess peer;
    peer.start(QStringLiteral(KORVID_HANDOFF_PEER), {socket, message});
    if (!peer.waitForStarted(5000))
        return -1;
    if (!waitUntil([&] { return peer.state() == QProcess::NotRunning; }, std::chrono::seconds(10)))
        return -2;
    return peer.exitCode();
}

} // namespace

class SignInHandoff : public SpotifyFixture {
protected:
    QString socket = home.filePath("instance");
};

TEST_F(SignInHandoff, SecondProcessHandsTheAddressOverPastAStaleSocket) {
    // Nobody listens yet: the second process says so and the caller starts normally.
    EXPECT_EQ(runPeer(socket, "korvid://callback?code=1"), 3);
    {
        // A listener that vanished without removing its socket file.
        QLocalServer crashed;
        crashed.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(crashed.listen(socket));
        crashed.close();
    }
    QFile(socket).open(QIODevice::WriteOnly); // the file stays behind

    SingleInstance first(socket);
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    // Another process cannot take over while the first runs.
    SingleInstance rival(socket);
    EXPECT_FALSE(rival.listen());

    const QString address = "korvid://callback?code=a%20b&state=%C3%A9";
    EXPECT_EQ(runPeer(socket, address), 0);
    ASSERT_TRUE(waitUntil([&] { return received.count() == 1; }));
    EXPECT_EQ(received.at(0).at(0).toString(), address);
}

// Without a runtime folder from the session, another user on the machine can
// take any shared name in /tmp first. The hand-off must neither stop at their
// socket nor hand them the sign-in's code.
TEST_F(SignInHandoff, WithoutARuntimeFolderOnlyAPrivateFolderOfTheUsersHoldsTheSocket) {
    if (::geteuid() != 0)
        KORVID_PEER_MISSING("planting another user's folders needs root");
    const QString ownName = "/korvid-" + QString::number(::geteuid());
    const auto plantFolder = [](const QString& path) {
        return QDir().mkpath(path) &&
               QFile::setPermissions(path, QFileDevice::Permissions(0x7777)) &&
               ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    };
    // Another user's listeners, under the shared name and in their own folder.
    QList<QString> strangerGot;
    std::vector<std::unique_ptr<QLocalServer>> strangers;
    const auto plantListener = [&](const QString& path) {
        auto& stranger = strangers.emplace_back(std::make_unique<QLocalServer>());
        QObject::connect(stranger.get(), &QLocalServer::newConnection, [&, s = stranger.get()] {
            QLocalSocket* socket = s->nextPendingConnection();
            QObject::connect(socket, &QLocalSocket::readyRead, [&, socket] {
                strangerGot << QString::fromUtf8(socket->readAll());
                socket->write("ok\n");
            });
        });
        return stranger->listen(path);
    };
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", QByteArray());

    // Qt's own fallback folder taken, and a listener on the shared name.
    const QString tmp = home.filePath("tmp");
    environment.set("TMPDIR", QFile::encodeName(tmp));
    ASSERT_TRUE(plantFolder(tmp + "/runtime-root"));
    ASSERT_TRUE(plantListener(tmp + "/korvid-instance"));
    const QString path = SingleInstance::defaultSocketPath();
    EXPECT_EQ(QFileInfo(path).absolutePath(), tmp + ownName);
    EXPECT_EQ(QFileInfo(tmp + ownName).permissions() & 0x0077, 0);
    SingleInstance first;
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    EXPECT_EQ(runPeer(path, "korvid://callback?code=secret"), 0);
    EXPECT_TRUE(waitUntil([&] { return received.count() == 1; }));

    // Korvid's own folder name taken too: no socket at all, never a shared one.
    const QString taken = home.filePath("taken");
    environment.set("TMPDIR", QFile::encodeName(taken));
    ASSERT_TRUE(plantFolder(taken + ownName));
    ASSERT_TRUE(plantListener(taken + ownName + "/korvid-instance"));
    EXPECT_EQ(SingleInstance::defaultSocketPath(), QString());
    EXPECT_FALSE(SingleInstance().listen());
    EXPECT_FALSE(SingleInstance::sendToRunning("korvid://callback?code=secret"));
    QTest::qWait(200);
    EXPECT_TRUE(strangerGot.isEmpty()) << strangerGot.join(' ').toStdString();
}

TEST_F(SignInHandoff, AfterCancelAndDenialTheHandedOverOrPastedAddressCompletesTheSignIn) {
    standIn.onJson("POST", "/accounts/api/token", 200,
                   R"({"access_token":"acc","expires_in":3600,"refresh_token":"ref"})");
    QUrl opened;
    bool browserOpens = true;
    WebAuthSession session([&](const QUrl& url) {
        opened = url;
        return browserOpens;
    });
    MusicSourceSettings sources;
    SpotifySignIn signIn(*auth, session, sources);
    SingleInstance instance(socket);
    ASSERT_TRUE(instance.listen());
    // As main() wires it: addresses from second processes go to the session.
    InstanceHandoff::route(instance, session, nullptr);

    signIn.connectSpotify();
    signIn.cancel();
    ASSERT_TRUE(waitUntil([&] { return !signIn.isSigningIn(); }));
    EXPECT_EQ(signIn.errorMessage(), "The sign-in was cancelled.");

    signIn.connectSpotify();
    signIn.submitCallback("  korvid://callback?error=access_denied  ");
    ASSERT_TRUE(waitUntil([&] { return !signIn.isSigningIn(); }));
    EXPECT_EQ(signIn.errorMessage(), "Spotify sign-in was denied: access_denied");

    // The browser's redirect comes back through a second process.
    signIn.connectSpotify();
    ASSERT_TRUE(signIn.isSigningIn());
    ASSERT_TRUE(opened.isValid());
    EXPECT_EQ(signIn.authorizationURL(), opened.toString(QUrl::FullyEncoded));
    // Addresses of another scheme do not end the wait.
    EXPECT_EQ(runPeer(socket, "https://example.invalid/?code=1"), 0);
    const QString state = QUrlQuery(opened).queryItemValue("state");
    EXPECT_EQ(runPeer(socket, "korvid://callback?code=xyz&state=" + state), 0);
    ASSERT_TRUE(waitUntil([&] { return auth->isAuthenticated(); }));
    EXPECT_FALSE(signIn.isSigningIn());
    EXPECT_EQ(signIn.errorMessage(), "");
    EXPECT_EQ(storedTokens()->accessToken, "acc");
    EXPECT_EQ(pairsOf(standIn.requestsTo("/accounts/api/token").at(0).body).size(), 5);

    // Settings' disconnect signs out and deletes the item.
    signIn.disconnectSpotify();
    ASSERT_TRUE(waitUntil([&] { return !signIn.isAuthenticated(); }));
    EXPECT_FALSE(storedTokens().has_value());

    // No browser: the message says so, and the pasted address still completes.
    browserOpens = false;
    signIn.connectSpotify();
    ASSERT_TRUE(waitUntil([&] { return !signIn.isSigningIn(); }));
    EXPECT_TRUE(signIn.errorMessage().startsWith("Korvid couldn't open your web browser."));
    const QString pasted = QUrlQuery(QUrl(signIn.authorizationURL())).queryItemValue("state");
    signIn.submitCallback("korvid://callback?code=1&state=" + pasted);
    ASSERT_TRUE(waitUntil([&] { return auth->isAuthenticated(); }));
    EXPECT_EQ(signIn.errorMessage(), "");
    EXPECT_EQ(standIn.requestsTo("/accounts/api/token").size(), 2u);

    signIn.useLocalMusicOnly();
    EXPECT_EQ(sources.current(), MusicSource::appleMusic);
}
