#include "musicapp/MpdConfiguration.h"

#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A value as MPD's configuration parser reads it back: quoted, with
// backslashes and quotes escaped. A line break cannot be carried at all.
QByteArray quoted(const QString& value) {
    QByteArray text = value.toUtf8();
    text.replace('\n', ' ').replace('\r', ' ');
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

QByteArray setting(const char* key, const QString& value) {
    return QByteArray(key) + ' ' + quoted(value) + '\n';
}

QByteArray output(const SinkOutput& output) {
    QByteArray block = "audio_output {\n";
    block += "    " + setting("type", output.sink.isEmpty() ? QStringLiteral("alsa")
                                                            : QStringLiteral("pulse"));
    block += "    " + setting("name", output.name);
    if (!output.sink.isEmpty()) {
        block += "    " + setting("sink", output.sink);
    }
    // Only MPD's first start reads this; afterwards its state file keeps
    // what the user enabled.
    block +=
        "    " + setting("enabled", output.enabled ? QStringLiteral("yes") : QStringLiteral("no"));
    block += "}\n";
    return block;
}

bool saveFile(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() &&
           file.commit();
}

} // namespace

MpdDaemonFiles MpdDaemonFiles::standard() {
    MpdDaemonFiles files;
    files.folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/korvid/mpd");
    // MPD makes its socket writable by all; only a folder nobody else can
    // enter keeps other users from driving it and listing the library.
    const QString runtime = privateRuntimeFolder();
    if (!runtime.isEmpty()) {
        files.socketPath = runtime + QStringLiteral("/korvid/mpd.socket");
    }
    return files;
}

QByteArray mpdConfiguration(const QString& musicFolder, const MpdDaemonFiles& files,
                            const QList<SoundSink>& sinks) {
    QByteArray text =
        "# Written by Korvid for the music player it starts; rewritten at each start.\n";
    text += setting("music_directory", musicFolder);
    text += setting("playlist_directory", files.folder + QStringLiteral("/playlists"));
    text += setting("db_file", files.folder + QStringLiteral("/database"));
    text += setting("state_file", files.folder + QStringLiteral("/state"));
    text += setting("pid_file", files.pidFilePath());
    text += setting("log_file", files.folder + QStringLiteral("/log"));
    text += setting("bind_to_address", files.socketPath);
    text += setting("auto_update", QStringLiteral("yes"));
    // A player Korvid starts behind the user's back must not announce itself
    // on the network.
    text += setting("zeroconf_enabled", QStringLiteral("no"));
    for (const SinkOutput& sinkOutput : ownMpdOutputs(sinks)) {
        text += output(sinkOutput);
    }
    return text;
}

QList<SinkOutput> ownMpdOutputs(const QList<SoundSink>& sinks) {
    if (sinks.isEmpty()) {
        return {{QStringLiteral("Computer"), SoundSinkKinds::computer, {}, true}};
    }
    return SoundSinkKinds::outputsFor(sinks);
}

QByteArray outputKindsText(const QList<SinkOutput>& outputs) {
    QJsonObject kinds;
    for (const SinkOutput& output : outputs) {
        kinds.insert(output.name, output.kind);
    }
    return QJsonDocument(kinds).toJson();
}

QMap<QString, QString> readOutputKinds(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QMap<QString, QString> kinds;
    const QJsonObject object = QJsonDocument::fromJson(file.read(1 << 20)).object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.value().isString()) {
            kinds.insert(it.key(), it.value().toString());
        }
    }
    return kinds;
}

QString mpdFailureCause(const QByteArray& output) {
    // "Dec 07 16:37 : exception: Failed to bind ..." as mpd prints and logs it.
    static const QRegularExpression stamp(QStringLiteral("^\\w{3} +\\d+ [\\d:]+ : "));
    const QList<QByteArray> lines = output.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        QString text = QString::fromUtf8(line->trimmed()).remove(stamp);
        if (text.startsWith(QLatin1String("exception: "))) {
            text = text.mid(11);
        }
        text = text.trimmed();
        if (!text.isEmpty()) {
            // One line, never a wall of text in a message.
            return text.size() > 300 ? text.left(300) + QChar(0x2026) : text;
        }
    }
    return {};
}

std::optional<MusicAppError> startMpdDaemon(const QString& musicFolder, const MpdDaemonFiles& files,
                                            const QList<SoundSink>& sinks) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mpd"));
    if (program.isEmpty()) {
        return MusicAppError::notInstalled();
    }
    if (files.socketPath.isEmpty()) {
        return MusicAppError::notStarted(
            QStringLiteral("There is no private folder for its socket: XDG_RUNTIME_DIR is unset "
                           "and none could be made."));
    }
    if (!QDir().mkpath(files.folder + QStringLiteral("/playlists")) ||
        !QDir().mkpath(QFileInfo(files.socketPath).absolutePath()) ||
        !saveFile(files.configPath(), mpdConfiguration(musicFolder, files, sinks)) ||
        !saveFile(files.outputKindsPath(), outputKindsText(ownMpdOutputs(sinks)))) {
        return MusicAppError::notStarted(
            QStringLiteral("Korvid couldn't write its settings under %1.").arg(files.folder));
    }
    // mpd detaches its daemon and exits once it is set up; the daemon keeps
    // running after Korvid quits, which is the point. Until then it says
    // what goes wrong on its error output.
    QProcess process;
    process.setProgram(program);
    process.setArguments({files.configPath()});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return MusicAppError::notStarted(QStringLiteral("It didn't start within 10 seconds."));
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
        return std::nullopt;
    }
    QString cause = mpdFailureCause(process.readAllStandardError());
    if (cause.isEmpty()) {
        QFile log(files.folder + QStringLiteral("/log"));
        if (log.open(QIODevice::ReadOnly)) {
            log.seek(std::max<qint64>(0, log.size() - 4096));
            cause = mpdFailureCause(log.readAll());
        }
    }
    if (cause.isEmpty()) {
        return MusicAppError::notStarted(
            QStringLiteral("mpd stopped with code %1.")
                .arg(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1));
    }
    return MusicAppError::notStarted(QStringLiteral("MPD says: ") + cause);
}
