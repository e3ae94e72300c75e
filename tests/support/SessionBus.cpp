#include "support/SessionBus.h"

#include "support/RunTask.h"

bool SessionBus::start() {
    daemon_ = std::make_unique<ExternalDaemon>(QStringLiteral("dbus-daemon"));
    const QString socket = daemon_->filePath(QStringLiteral("bus"));
    address_ = QStringLiteral("unix:path=") + socket;
    if (!daemon_->start({QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--nopidfile"), QStringLiteral("--address=") + address_},
                        [socket] { return unixSocketAnswers(socket); })) {
        errorText_ = daemon_->errorText();
        return false;
    }
    return true;
}

std::unique_ptr<ChildProcess> SessionBus::spawn(const QString& program,
                                                const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    // Clients that look on the system bus as well find this one there too,
    // never the machine's.
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
    auto child = std::make_unique<ChildProcess>();
    child->start(program, arguments, environment);
    return child;
}

ProgramRun SessionBus::run(const QString& program, const QStringList& arguments,
                           std::chrono::milliseconds timeout) {
    const std::unique_ptr<ChildProcess> child = spawn(program, arguments);
    if (!waitUntil([&] { return !child->isRunning(); }, timeout)) {
        child->kill();
    }
    child->waitForFinished(std::chrono::seconds(5));
    return {child->exitCode(), child->output()};
}

ProgramRun SessionBus::busctl(const QStringList& arguments) {
    // "--" ends the options: a negative number is a value.
    QStringList all{QStringLiteral("--address=") + address_};
    all << arguments.first() << QStringLiteral("--") << arguments.mid(1);
    return run(QStringLiteral("busctl"), all);
}
