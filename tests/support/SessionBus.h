#pragma once

#include "support/ChildProcess.h"
#include "support/ExternalDaemon.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// A private session bus for one test (a dbus-daemon of its own), and the
// command-line clients that talk to it from outside, such as busctl. The
// clients run while the event loop turns, so the test's own bus objects
// answer them.
class SessionBus {
public:
    // False, with the reason in errorText(), when dbus-daemon cannot start.
    bool start();
    QString errorText() const { return errorText_; }
    QString address() const { return address_; }

    // Runs a client to its end with DBUS_SESSION_BUS_ADDRESS set to this bus.
    ProgramRun run(const QString& program, const QStringList& arguments,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // busctl with --address for this bus: a verb, then its arguments.
    ProgramRun busctl(const QStringList& arguments);
    // A client left running (dbus-monitor, say); it ends with the object.
    std::unique_ptr<ChildProcess> spawn(const QString& program, const QStringList& arguments);

private:
    std::unique_ptr<ExternalDaemon> daemon_;
    QString address_;
    QString errorText_;
};
