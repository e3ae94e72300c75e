#include "musicapp/MpdConfiguration.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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

QByteArray output(const QString& type, const QString& name, const char* targetKey,
                  const QString& target) {
    QByteArray block = "audio_output {\n";
    block += "    " + setting("type", type);
    block += "    " + setting("name", name);
    if (!target.isEmpty()) {
        block += "    " + setting(targetKey, target);
    }
    block += "}\n";
    return block;
}

} // namespace

MpdDaemonFiles MpdDaemonFiles::standard() {
    MpdDaemonFiles files;
    files.folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/korvid/mpd");
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) {
        runtime = QDir::tempPath() + QStringLiteral("/korvid-runtime");
    }
    files.socketPath = runtime + QStringLiteral("/korvid/mpd.socket");
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
    if (sinks.isEmpty()) {
        text += output(QStringLiteral("alsa"), QStringLiteral("Computer"), "device", {});
    }
    for (const SoundSink& sink : sinks) {
        const QString name = sink.description.isEmpty() ? sink.name : sink.description;
        text += output(QStringLiteral("pulse"), name, "sink", sink.name);
    }
    return text;
}

bool startMpdDaemon(const QString& musicFolder, const MpdDaemonFiles& files,
                    const QList<SoundSink>& sinks) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mpd"));
    if (program.isEmpty()) {
        return false;
    }
    if (!QDir().mkpath(files.folder + QStringLiteral("/playlists")) ||
        !QDir().mkpath(QFileInfo(files.socketPath).absolutePath())) {
        return false;
    }
    QSaveFile config(files.configPath());
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(mpdConfiguration(musicFolder, files, sinks)) < 0 || !config.commit()) {
        return false;
    }
    // mpd detaches its daemon and exits once it is set up; the daemon keeps
    // running after Korvid quits, which is the point.
    QProcess process;
    process.setProgram(program);
    process.setArguments({files.configPath()});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
