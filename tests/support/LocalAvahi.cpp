#include "support/LocalAvahi.h"

#include "support/RunTask.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace {
const QString systemBusSocket = QStringLiteral("/run/dbus/system_bus_socket");
const QString avahiPidFile = QStringLiteral("/run/avahi-daemon/pid");
const char* const lockPath = "/tmp/korvid-test-avahi.lock";
const QString configMarker = QStringLiteral("korvid-avahi.conf");

QByteArray commandLine(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether `pid` runs: a process that has ended but that no one has reaped
// yet still answers kill(), and then holds no command line.
bool isRunning(qint64 pid) {
    if (pid <= 0 || ::kill(pid_t(pid), 0) != 0) {
        return false;
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    const qsizetype end = text.lastIndexOf(')'); // the state follows the name
    return end < 0 || text.mid(end + 2, 1) != "Z";
}

qint64 runningAvahiPid() {
    QFile file(avahiPidFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const qint64 pid = file.readAll().trimmed().toLongLong();
    if (pid > 0 && isRunning(pid) && commandLine(pid).isEmpty()) {
        // On its way out, as a daemon is whose test process died: it was
        // killed with it. Give it time to end.
        waitUntil([pid] { return !isRunning(pid); }, std::chrono::seconds(5));
    }
    if (isRunning(pid)) {
        return pid;
    }
    // The daemon refuses to start while its pid file names a process that answers.
    file.close();
    QFile::remove(avahiPidFile);
    return 0;
}

// The config file an avahi-daemon was started with ("-f path"), if any.
QString configOf(const QByteArray& cmdline) {
    const QList<QByteArray> args = cmdline.split('\0');
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args.at(i) == "-f" || args.at(i) == "--file") {
            return QString::fromLocal8Bit(args.at(i + 1));
        }
    }
    return {};
}

bool configWatchesLoopbackOnly(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray text = file.readAll();
    return text.contains("allow-interfaces=lo\n") && text.contains("use-ipv6=no");
}

// Follows the "[server]" line and any settings a test adds to it.
const char* const configText = "use-ipv4=yes\n"
                               "use-ipv6=no\n"
                               "allow-interfaces=lo\n"
                               "ratelimit-interval-usec=0\n"
                               "ratelimit-burst=0\n"
                               "enable-dbus=yes\n"
                               "[wide-area]\n"
                               "enable-wide-area=no\n"
                               "[publish]\n"
                               "publish-hinfo=no\n"
                               "publish-workstation=no\n"
                               "publish-aaaa-on-ipv4=no\n"
                               "publish-a-on-ipv6=no\n"
                               "[reflector]\n"
                               "enable-reflector=no\n";

class AvahiEnvironment : public ::testing::Environment {
public:
    void TearDown() override { LocalAvahi::shutDown(); }
};
} // namespace

struct LocalAvahi::Private {
    int lockFd = -1;
    std::unique_ptr<ExternalDaemon> dbus;
    std::unique_ptr<ExternalDaemon> avahi;
    QString failure;
    QByteArray serverSettings; // more [server] lines for the next start
    bool attempted = false;
    std::unique_ptr<LocalAvahi> instance;

    bool takeLock() {
        lockFd = ::open(lockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lockFd < 0) {
            failure = QStringLiteral("cannot open the avahi test lock");
            return false;
        }
        // Another test process may be using the daemon: wait our turn.
        for (int i = 0; i < 1800; ++i) {
            if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0) {
                return true;
            }
            QThread::msleep(50);
        }
        failure = QStringLiteral("another test process kept the private avahi-daemon too long");
        ::close(lockFd);
        lockFd = -1;
        return false;
    }

    bool startDbus() {
        if (unixSocketAnswers(systemBusSocket)) {
            return true;
        }
        QDir().mkpath(QStringLiteral("/run/dbus"));
        QFile::remove(systemBusSocket);
        dbus = std::make_unique<ExternalDaemon>(QStringLiteral("dbus-daemon"));
        if (!dbus->start({QStringLiteral("--system"), QStringLiteral("--nofork"),
                          QStringLiteral("--nopidfile")},
                         [] { return unixSocketAnswers(systemBusSocket); })) {
            failure = dbus->errorText();
            dbus.reset();
            return false;
        }
        return true;
    }

    bool startAvahi() {
        if (const qint64 pid = runningAvahiPid()) {
            const QByteArray cmdline = commandLine(pid);
            const QString config = configOf(cmdline);
            if (config.endsWith(configMarker)) {
                // Left behind by a test process that died; we hold the lock now.
                ::kill(pid_t(pid), SIGKILL);
                waitUntil([pid] { return !isRunning(pid); }, std::chrono::seconds(5));
                QFile::remove(avahiPidFile);
            } else if (configWatchesLoopbackOnly(config)) {
                return true; // someone else's loopback-only daemon: use it as it is
            } else {
                failure =
                    QStringLiteral(
                        "an avahi-daemon that is not bound to lo alone runs already (pid %1); "
                        "discovery tests do not announce on other interfaces, so they stop here")
                        .arg(pid);
                return false;
            }
        }
        avahi = std::make_unique<ExternalDaemon>(QStringLiteral("avahi-daemon"));
        const QString config = avahi->filePath(configMarker);
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write("[server]\n" + serverSettings + configText) < 0) {
            failure = QStringLiteral("cannot write the avahi-daemon configuration");
            return false;
        }
        file.close();
        ExternalDaemon* daemon = avahi.get();
        if (!avahi->start(
                {QStringLiteral("-f"), config, QStringLiteral("--no-drop-root"),
                 QStringLiteral("--no-chroot"), QStringLiteral("--no-rlimits"),
                 QStringLiteral("--no-proc-title")},
                [daemon] { return daemon->output().contains("Server startup complete"); },
                std::chrono::seconds(15))) {
            failure = avahi->errorText();
            avahi.reset();
            return false;
        }
        return true;
    }

    void stop() {
        if (avahi) {
            avahi->stop();
            avahi.reset();
        }
        if (dbus) {
            dbus->stop();
            dbus.reset();
        }
        if (lockFd >= 0) {
            ::flock(lockFd, LOCK_UN);
            ::close(lockFd);
            lockFd = -1;
        }
    }
};

namespace {
LocalAvahi::Private& priv() {
    static LocalAvahi::Private p;
    return p;
}
} // namespace

LocalAvahi* LocalAvahi::instance(QString* whyNot) {
    Private& p = priv();
    if (!p.attempted) {
        p.attempted = true;
        ::testing::AddGlobalTestEnvironment(new AvahiEnvironment);
        if (ExternalDaemon::findProgram(QStringLiteral("avahi-daemon")).isEmpty() ||
            ExternalDaemon::findProgram(QStringLiteral("avahi-publish")).isEmpty()) {
            p.failure = QStringLiteral("avahi-daemon and avahi-publish are not installed");
        } else if (p.takeLock() && p.startDbus() && p.startAvahi()) {
            p.instance = std::make_unique<LocalAvahi>();
        } else {
            p.stop();
        }
    }
    if (!p.instance && whyNot) {
        *whyNot = p.failure;
    }
    return p.instance.get();
}

void LocalAvahi::shutDown() {
    Private& p = priv();
    p.instance.reset();
    p.stop();
}

std::unique_ptr<ExternalDaemon> LocalAvahi::publish(const QString& name, const QString& type,
                                                    quint16 port, const QStringList& txt) {
    auto processes = publishAll({{name, type, port, txt}});
    return processes.empty() ? nullptr : std::move(processes.front());
}

bool LocalAvahi::restartDaemon(QString* whyNot, const QByteArray& serverSettings) {
    Private& p = priv();
    if (!p.avahi) {
        *whyNot = QStringLiteral("the avahi-daemon running was started by someone else");
        return false;
    }
    // This process holds the lock, so nobody else's test sees the gap.
    p.avahi->stop();
    p.avahi.reset();
    p.serverSettings = serverSettings;
    if (!p.startAvahi()) {
        *whyNot = p.failure;
        return false;
    }
    return true;
}

std::vector<std::unique_ptr<ExternalDaemon>>
LocalAvahi::publishAll(const QList<Announcement>& announcements) {
    std::vector<std::unique_ptr<ExternalDaemon>> processes;
    for (const Announcement& a : announcements) {
        auto process = std::make_unique<ExternalDaemon>(QStringLiteral("avahi-publish"));
        QStringList arguments{QStringLiteral("-s"), a.name, a.type, QString::number(a.port)};
        arguments += a.txt;
        if (!process->start(arguments, [] { return true; })) {
            ADD_FAILURE() << process->errorText().toStdString();
            return {};
        }
        processes.push_back(std::move(process));
    }
    const bool established = waitUntil(
        [&] {
            return std::all_of(processes.begin(), processes.end(), [](const auto& process) {
                return process->output().contains("Established");
            });
        },
        std::chrono::seconds(15));
    if (!established) {
        ADD_FAILURE() << "avahi-publish did not establish every announcement";
        return {};
    }
    return processes;
}
