#pragma once

// A private session bus with Korvid's media controls on it, and the calls a
// media-control client makes on its player interface, through busctl.
#include "playback/MprisService.h"
#include "playback/MprisState.h"
#include "support/SessionBus.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

class MprisBus : public SessionBus {
public:
    // Whatever serve() made must be gone by now.
    ~MprisBus() { QDBusConnection::disconnectFromBus(QStringLiteral("korvid-mpris")); }

    // Korvid's media controls for `playback`, owning their name on this bus.
    std::unique_ptr<MprisService> serve(PlaybackViewModel& playback,
                                        MprisService::Window window = {}) {
        if (!connection.isConnected()) {
            connection = QDBusConnection::connectToBus(address(), QStringLiteral("korvid-mpris"));
        }
        auto service = std::make_unique<MprisService>(playback, window, connection);
        EXPECT_TRUE(service->ownsBusName());
        return service;
    }

    ProgramRun call(const QString& method, const QStringList& arguments = {}) {
        return busctl(QStringList{QStringLiteral("call"), QLatin1String(Mpris::serviceName),
                                  QLatin1String(Mpris::objectPath),
                                  QLatin1String(Mpris::playerInterface), method} +
                      arguments);
    }
    ProgramRun setProperty(const QString& name, const QString& signature, const QString& value) {
        return busctl({QStringLiteral("set-property"), QLatin1String(Mpris::serviceName),
                       QLatin1String(Mpris::objectPath), QLatin1String(Mpris::playerInterface),
                       name, signature, value});
    }
    // As busctl prints it: the signature, then the value.
    QString property(const QString& name,
                     const QString& interface = QLatin1String(Mpris::playerInterface)) {
        const ProgramRun run =
            busctl({QStringLiteral("get-property"), QLatin1String(Mpris::serviceName),
                    QLatin1String(Mpris::objectPath), interface, name});
        EXPECT_TRUE(run.succeeded()) << run.output.toStdString();
        return QString::fromUtf8(run.output).trimmed();
    }
    // dbus-monitor printing the signals `member` from Korvid's object, once it listens.
    std::unique_ptr<ChildProcess> monitor(const QString& member) {
        auto child = spawn(QStringLiteral("dbus-monitor"),
                           {QStringLiteral("--address"), address(),
                            QStringLiteral("type='signal',member='%1',path='%2'")
                                .arg(member, QLatin1String(Mpris::objectPath))});
        EXPECT_TRUE(waitUntil([&] { return child->output().contains("NameAcquired"); }));
        return child;
    }

    QDBusConnection connection{QString()};
};
