#pragma once

#include "support/ExternalDaemon.h"
#include "support/RequiredPeers.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A private avahi-daemon that sees loopback only (allow-interfaces=lo,
// use-ipv6=no), started on first use and stopped after the last test of the
// binary. Only one avahi-daemon can run per machine, so test processes that
// need it take turns through a lock file. Starts the system D-Bus daemon
// too when none runs.
class LocalAvahi {
public:
    // The running daemon, or nullptr with the reason in `whyNot` (an
    // avahi-daemon that also watches other interfaces runs already, or the
    // programs are missing).
    static LocalAvahi* instance(QString* whyNot = nullptr);

    // Announces a service on loopback through avahi-publish; withdrawn when
    // the returned process is stopped or destroyed. Nothing if it failed.
    // TXT entries are "key=value" strings.
    std::unique_ptr<ExternalDaemon> publish(const QString& name, const QString& type, quint16 port,
                                            const QStringList& txt = {});

    struct Announcement {
        QString name;
        QString type;
        quint16 port;
        QStringList txt;
    };
    // Announces several at once (faster than one by one); empty on failure.
    std::vector<std::unique_ptr<ExternalDaemon>>
    publishAll(const QList<Announcement>& announcements);

    // Stops the daemon and starts it again, still on loopback alone, as an
    // update of the system would; its avahi-publish clients end with it.
    // `serverSettings` ("objects-per-client-max=3\n") add to its [server]
    // section until the next restart. False, with the reason, when the
    // daemon running is not this one's.
    bool restartDaemon(QString* whyNot, const QByteArray& serverSettings = {});

    // Stops what instance() started (the test environment calls this).
    static void shutDown();

    struct Private;
};

// Skips (or fails, see RequiredPeers.h) the calling test, saying why, when no
// private avahi-daemon is available.
#define KORVID_REQUIRE_LOCAL_AVAHI()                                                               \
    do {                                                                                           \
        QString korvidWhyNot;                                                                      \
        if (!LocalAvahi::instance(&korvidWhyNot)) {                                                \
            KORVID_PEER_MISSING(korvidWhyNot.toStdString());                                       \
        }                                                                                          \
    } while (false)
