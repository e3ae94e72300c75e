#include "support/PulseAudioServer.h"

#include "support/ChildProcess.h"

#include <QDir>
#include <QFile>

namespace {
const char* const kClientVariables[] = {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"};
} // namespace

PulseAudioServer::PulseAudioServer()
    : daemon_(QStringLiteral("pulseaudio")) {}

PulseAudioServer::~PulseAudioServer() {
    restoreEnvironment();
    stop();
}

QString PulseAudioServer::socketPath() const {
    return daemon_.filePath(QStringLiteral("native"));
}

QString PulseAudioServer::serverAddress() const {
    return QStringLiteral("unix:") + socketPath();
}

QProcessEnvironment PulseAudioServer::clientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), serverAddress());
    environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"),
                       daemon_.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("PULSE_STATE_PATH"),
                       daemon_.filePath(QStringLiteral("state")));
    return environment;
}

bool PulseAudioServer::start(std::chrono::milliseconds timeout) {
    for (const char* folder : {"runtime", "state"}) {
        QDir().mkpath(daemon_.filePath(QString::fromLatin1(folder)));
    }
    // Only what the tests need: no hardware detection, no session bus, no
    // idle suspension (a suspended source would hide its real state).
    // Anonymous access spares clients the cookie.
    QFile script(daemon_.filePath(QStringLiteral("korvid.pa")));
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        errorText_ = QStringLiteral("cannot write the pulseaudio script");
        return false;
    }
    const QByteArray sink(kSinkName);
    const QByteArray source(kSourceName);
    QByteArray commands;
    commands += "load-module module-native-protocol-unix auth-anonymous=1 socket=";
    commands += QFile::encodeName(socketPath()) + '\n';
    commands += "load-module module-null-sink sink_name=" + sink + '\n';
    commands += "load-module module-null-source source_name=" + source + '\n';
    commands += "set-default-sink " + sink + '\n';
    commands += "set-default-source " + source + '\n';
    script.write(commands);
    script.close();

    QProcessEnvironment& environment = daemon_.environment();
    const QProcessEnvironment client = clientEnvironment();
    for (const char* variable : kClientVariables) {
        environment.insert(QString::fromLatin1(variable),
                           client.value(QString::fromLatin1(variable)));
    }
    environment.remove(QStringLiteral("PULSE_SERVER"));
    // Its home is its folder, so no cookie or state of the real user is read.
    environment.insert(QStringLiteral("HOME"), daemon_.folder());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       daemon_.filePath(QStringLiteral("config")));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("DISPLAY"));

    const QStringList arguments = {
        QStringLiteral("--system=no"),
        QStringLiteral("--daemonize=no"),
        QStringLiteral("--exit-idle-time=-1"),
        QStringLiteral("--use-pid-file=no"),
        QStringLiteral("--disallow-exit"),
        QStringLiteral("--log-target=stderr"),
        QStringLiteral("--log-level=error"),
        QStringLiteral("-n"),
        QStringLiteral("-F"),
        daemon_.filePath(QStringLiteral("korvid.pa")),
    };
    if (!daemon_.start(
            arguments, [this] { return unixSocketAnswers(socketPath()); }, timeout)) {
        errorText_ = daemon_.errorText();
        return false;
    }
    return true;
}

void PulseAudioServer::stop() {
    if (daemon_.isRunning()) {
        daemon_.stop();
    }
}

void PulseAudioServer::exportToThisProcess() {
    const QProcessEnvironment client = clientEnvironment();
    for (const char* variable : kClientVariables)
        exported_.set(variable, client.value(QString::fromLatin1(variable)).toLocal8Bit());
}

void PulseAudioServer::restoreEnvironment() {
    exported_.restore();
}

bool PulseAudioServer::pactl(const QStringList& arguments, QByteArray* output) const {
    const QString program = ExternalDaemon::findProgram(QStringLiteral("pactl"));
    if (program.isEmpty()) {
        return false;
    }
    const ProgramRun run =
        runProgram(program, arguments, std::chrono::seconds(10), clientEnvironment());
    if (output) {
        *output = run.output;
    }
    return run.succeeded();
}

int PulseAudioServer::loadModule(const QString& name, const QStringList& arguments) {
    QByteArray output;
    if (!pactl(QStringList{QStringLiteral("load-module"), name} + arguments, &output)) {
        return -1;
    }
    bool ok = false;
    const int index = output.trimmed().toInt(&ok);
    return ok ? index : -1;
}
