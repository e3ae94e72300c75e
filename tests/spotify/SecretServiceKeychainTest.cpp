// The token item in a real Secret Service: a private session bus with an
// unlocked gnome-keyring on it.
#include "platform/SecretServiceKeychain.h"
#include "spotify/KeychainStore.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/ExternalDaemon.h"
#include "support/FakeClock.h"
#include "support/RequiredPeers.h"
#include "support/RunTask.h"
#include "support/ScopedEnvironment.h"
#include "support/TestHome.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDirIterator>
#include <QNetworkAccessManager>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString secretsService = QStringLiteral("org.freedesktop.secrets");

class SecretServiceKeychainTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"dbus-daemon", "gnome-keyring-daemon"}) {
            if (ExternalDaemon::findProgram(program).isEmpty())
                KORVID_PEER_MISSING(std::string(program) + " is not installed");
        }
        const QString socket = bus.filePath("bus");
        address = "unix:path=" + socket;
        ASSERT_TRUE(bus.start({"--session", "--nofork", "--nopidfile", "--address=" + address},
                              [&] { return unixSocketAnswers(socket); }))
            << bus.errorText().toStdString();
        environment.set("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());

        keyring.environment().insert("DBUS_SESSION_BUS_ADDRESS", address);
        keyring.environment().insert("XDG_RUNTIME_DIR", keyring.folder());
        keyring.environment().insert("XDG_DATA_HOME", keyring.filePath("data"));
        keyring.environment().insert("HOME", keyring.folder());
        // The password on standard input unlocks (and creates) the login keyring.
        ASSERT_TRUE(keyring.start(
            {"-c", "printf %s korvid-test | exec gnome-keyring-daemon --foreground --unlock "
                   "--components=secrets"},
            [&] { return connection().interface()->isServiceRegistered(secretsService).value(); },
            std::chrono::seconds(20)))
            << keyring.errorText().toStdString() << keyring.output().toStdString();
    }

    void TearDown() override {
        // The Secret Service library's bus connection ends the process with
        // SIGTERM when its bus goes away, which it is about to do.
        std::signal(SIGTERM, SIG_IGN);
        QDBusConnection::disconnectFromBus(QStringLiteral("korvid-test"));
        environment.restore();
    }

    QDBusConnection connection() {
        return QDBusConnection::connectToBus(address, QStringLiteral("korvid-test"));
    }

    // Items the Secret Service itself finds for the account (unlocked ones).
    int itemsFor(const QString& account) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(secretsService, "/org/freedesktop/secrets",
                                           "org.freedesktop.Secret.Service", "SearchItems");
        QMap<QString, QString> attributes{{"user", account}, {"server", KeychainStore::service}};
        call << QVariant::fromValue(attributes);
        const QDBusMessage reply = connection().call(call);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return -1;
        const auto unlocked = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0));
        return int(unlocked.size());
    }

    TestHome home;
    ExternalDaemon bus{QStringLiteral("dbus-daemon")};
    ExternalDaemon keyring{QStringLiteral("sh")};
    QString address;
    ScopedEnvironment environment;
};

} // namespace

TEST_F(SecretServiceKeychainTest, StoresReadsAndDeletesTheTokenItem) {
    qDBusRegisterMetaType<QMap<QString, QString>>();
    SecretServiceKeychain keychain;
    KeychainStore store(keychain);
    const QString account = KeychainStore::tokensAccount;

    EXPECT_FALSE(runTask(store.load(account)).has_value());
    const QByteArray first(R"({"accessToken":"a1"})");
    runTask(store.save(first, account));
    EXPECT_EQ(runTask(store.load(account)), first);
    EXPECT_EQ(itemsFor(account), 1);

    // Saving again replaces the item instead of adding a second one; binary
    // data comes back byte for byte.
    const QByteArray second("\x00\xff{\"accessToken\":\"a2\"}\n", 22);
    runTask(store.save(second, account));
    EXPECT_EQ(runTask(store.load(account)), second);
    EXPECT_EQ(itemsFor(account), 1);

    // A manager started afterwards signs in from the item.
    FakeClock clock;
    QNetworkAccessManager network;
    const TokenStore tokens{"acc", "ref", clock.now().addSecs(600), {"user-library-read"}};
    runTask(store.save(tokens.encode(), account));
    SpotifyAuthManager auth(network, keychain, clock, QUrl("http://127.0.0.1:1"));
    runTask(auth.loadStoredTokens());
    EXPECT_EQ(auth.tokens(), tokens);

    runTask(auth.signOut());
    EXPECT_FALSE(runTask(store.load(account)).has_value());
    EXPECT_EQ(itemsFor(account), 0);
    EXPECT_FALSE(keychain.usesMemoryFallback());
}

TEST(SecretServiceKeychainFallback, KeepsItemsInMemoryWithoutASecretService) {
    TestHome home;
    ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("no-bus").toUtf8());
    {
        SecretServiceKeychain keychain;
        runTask(keychain.save("s", "a", "secret"), std::chrono::seconds(30));
        EXPECT_TRUE(keychain.usesMemoryFallback());
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
