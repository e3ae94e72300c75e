#pragma once

// A real Secret Service for one test: a private session bus with an unlocked
// gnome-keyring on it, named in DBUS_SESSION_BUS_ADDRESS while it runs.
#include "spotify/KeychainStore.h"
#include "support/ExternalDaemon.h"
#include "support/RequiredPeers.h"
#include "support/TestHome.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include <csignal>

class LocalKeyring {
public:
    // Call with ASSERT_NO_FATAL_FAILURE; skips the test when the programs are missing.
    void start() {
        for (const char* program : {"dbus-daemon", "gnome-keyring-daemon"}) {
            if (ExternalDaemon::findProgram(program).isEmpty())
                KORVID_PEER_MISSING(std::string(program) + " is not installed");
        }
        const QString socket = bus_.filePath("bus");
        address_ = "unix:path=" + socket;
        ASSERT_TRUE(bus_.start({"--session", "--nofork", "--nopidfile", "--address=" + address_},
                               [&] { return unixSocketAnswers(socket); }))
            << bus_.errorText().toStdString();
        environment_.set("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());

        keyring_.environment().insert("DBUS_SESSION_BUS_ADDRESS", address_);
        keyring_.environment().insert("XDG_RUNTIME_DIR", keyring_.folder());
        keyring_.environment().insert("XDG_DATA_HOME", keyring_.filePath("data"));
        keyring_.environment().insert("HOME", keyring_.folder());
        // The password on standard input unlocks (and creates) the login keyring.
        ASSERT_TRUE(keyring_.start(
            {"-c", "printf %s korvid-test | exec gnome-keyring-daemon --foreground --unlock "
                   "--components=secrets"},
            [&] { return connection().interface()->isServiceRegistered(service()).value(); },
            std::chrono::seconds(20)))
            << keyring_.errorText().toStdString() << keyring_.output().toStdString();
        started_ = true;
    }

    ~LocalKeyring() {
        if (started_) {
            // The Secret Service library's bus connection ends the process
            // with SIGTERM when its bus goes away, which it is about to do.
            std::signal(SIGTERM, SIG_IGN);
            QDBusConnection::disconnectFromBus(connectionName());
        }
        environment_.restore();
    }

    // Items the Secret Service itself finds for Korvid's `account` (unlocked ones); -1 on failure.
    int itemsFor(const QString& account) {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        QDBusMessage call = QDBusMessage::createMethodCall(
            service(), "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "SearchItems");
        QMap<QString, QString> attributes{{"user", account}, {"server", KeychainStore::service}};
        call << QVariant::fromValue(attributes);
        const QDBusMessage reply = connection().call(call);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return -1;
        return int(qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0)).size());
    }

private:
    static QString service() { return QStringLiteral("org.freedesktop.secrets"); }
    static QString connectionName() { return QStringLiteral("korvid-test"); }
    QDBusConnection connection() {
        return QDBusConnection::connectToBus(address_, connectionName());
    }

    ExternalDaemon bus_{QStringLiteral("dbus-daemon")};
    ExternalDaemon keyring_{QStringLiteral("sh")};
    QString address_;
    ScopedEnvironment environment_;
    bool started_ = false;
};
