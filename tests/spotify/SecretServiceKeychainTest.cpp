// The token item when no Secret Service runs, or one never answers. Storing
// it in a real one is walked through by the Settings screen's Disconnect.
#include "platform/SecretServiceKeychain.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/ExternalDaemon.h"
#include "support/FakeClock.h"
#include "support/RunTask.h"
#include "support/ScopedEnvironment.h"
#include "support/TestHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTest>

#include <gtest/gtest.h>

TEST(SecretServiceKeychainFallback, KeepsItemsInMemoryWithoutASecretService) {
    TestHome home;
    ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("no-bus").toUtf8());
    {
        SecretServiceKeychain keychain;
        runTask(keychain.save("s", "a", "secret"), std::chrono::seconds(30));
        EXPECT_TRUE(keychain.usesMemoryFallback());
        EXPECT_NE(keychain.problem(), KeychainProblem::none);
        EXPECT_EQ(runTask(keychain.load("s", "a"), std::chrono::seconds(30)), QByteArray("secret"));
        runTask(keychain.remove("s", "a"), std::chrono::seconds(30));
        EXPECT_FALSE(runTask(keychain.load("s", "a"), std::chrono::seconds(30)).has_value());
    }
    // Nothing was written to a file in its place, in any folder of the home.
    QStringList written;
    for (QDirIterator it(home.path(), QDir::Files | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        written << it.next();
    EXPECT_TRUE(written.isEmpty()) << written.join(",").toStdString();
}

// A session bus that starts the Secret Service on demand, but whose service
// never comes up, as a keyring whose unlock prompt nobody answers keeps its
// callers waiting. The bus itself gives up after two seconds.
TEST(SecretServiceKeychainNoAnswer, TheWindowGoesOnSignedOutAndIsToldWhy) {
    TestHome home;
    ExternalDaemon bus(QStringLiteral("dbus-daemon"));
    const QString socket = bus.filePath("bus");
    const QString services = bus.filePath("services");
    ASSERT_TRUE(QDir().mkpath(services));
    {
        QFile service(services + "/org.freedesktop.secrets.service");
        ASSERT_TRUE(service.open(QIODevice::WriteOnly));
        service.write("[D-BUS Service]\nName=org.freedesktop.secrets\nExec=/bin/sleep 600\n");
        QFile config(bus.filePath("bus.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:path=%1</listen>"
                                    "<servicedir>%2</servicedir>"
                                    "<limit name=\"service_start_timeout\">2000</limit>"
                                    "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                    "<allow own=\"*\"/></policy></busconfig>")
                         .arg(socket, services)
                         .toUtf8());
    }
    ASSERT_TRUE(bus.start({"--nofork", "--nopidfile", "--config-file=" + bus.filePath("bus.conf")},
                          [&] { return unixSocketAnswers(socket); }))
        << bus.errorText().toStdString();
    ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket.toUtf8());

    FakeClock clock;
    QNetworkAccessManager network;
    SecretServiceKeychain keychain(std::chrono::milliseconds(300));
    SpotifyAuthManager auth(network, keychain, clock, QUrl("http://127.0.0.1:1"));
    runTask(auth.loadStoredTokens(), std::chrono::seconds(1));
    EXPECT_TRUE(auth.hasLoadedTokens());
    EXPECT_FALSE(auth.isAuthenticated());
    EXPECT_EQ(keychain.problem(), KeychainProblem::noAnswer);
    EXPECT_TRUE(auth.keychainNotice().contains("didn't answer"))
        << auth.keychainNotice().toStdString();

    // A sign-in the keychain does not keep is still used until Korvid quits,
    // and a Disconnect it does not carry out is not passed over in silence.
    runTask(keychain.save(KeychainStore::service, KeychainStore::tokensAccount, "tokens"),
            std::chrono::seconds(1));
    EXPECT_EQ(keychain.problem(), KeychainProblem::noAnswer);
    EXPECT_EQ(runTask(keychain.load(KeychainStore::service, KeychainStore::tokensAccount),
                      std::chrono::seconds(1)),
              QByteArray("tokens"));
    runTask(auth.signOut(), std::chrono::seconds(1));
    EXPECT_EQ(keychain.problem(), KeychainProblem::notRemoved);
    EXPECT_TRUE(auth.keychainNotice().contains("couldn't remove"))
        << auth.keychainNotice().toStdString();

    // The calls left behind end once the bus gives up on the service.
    QTest::qWait(2500);
}
