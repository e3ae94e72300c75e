#include "support/ShairportSpeaker.h"

#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

ShairportSpeaker::ShairportSpeaker(QString name, quint16 port)
    : name_(std::move(name))
    , port_(port ? port : freeTcpPort())
    , daemon_(QStringLiteral("shairport-sync")) {}

ShairportSpeaker::~ShairportSpeaker() {
    stop();
}

void ShairportSpeaker::playInto(const QProcessEnvironment& env, const QString& sink) {
    daemon_.environment() = env;
    sink_ = sink;
}

bool ShairportSpeaker::start() {
    pipePath_ = daemon_.filePath(QStringLiteral("audio.pcm"));
    if (sink_.isEmpty()) {
        if (::mkfifo(QFile::encodeName(pipePath_).constData(), 0600) != 0) {
            errorText_ = QStringLiteral("cannot make the audio pipe");
            return false;
        }
        // Keep a reader on the pipe from the start, so the receiver's writer
        // always finds one and nothing it plays is lost.
        stopReading_ = false;
        reader_ = std::thread([this] { drain(); });
    }

    // UDP ports of parallel receivers must not collide.
    const int udpBase = 30000 + int(QRandomGenerator::global()->bounded(3000)) * 10;
    const QString config = daemon_.filePath(QStringLiteral("shairport-sync.conf"));
    QFile file(config);
    const QString text = QStringLiteral("general = {\n"
                                        "  name = \"%1\";\n"
                                        "  port = %2;\n"
                                        "  udp_port_base = %3;\n"
                                        "  udp_port_range = 10;\n"
                                        "  output_backend = \"%5\";\n"
                                        "  mdns_backend = \"avahi\";\n"
                                        "  ignore_volume_control = \"yes\";\n"
                                        // The sender's sync packets ask for a quarter second of
                                        // latency; a shorter output buffer keeps it positive.
                                        "  audio_backend_buffer_desired_length_in_seconds = 0.2;\n"
                                        // Into PulseAudio it may start up to 50 ms off, which its
                                        // slow correction takes half a minute to pull in; past
                                        // this threshold it starts over in step at once instead.
                                        "  resync_threshold_in_seconds = 0.02;\n"
                                        // Into the pipe it plays exactly what arrives: no
                                        // resampling to chase the sender's clock, so tests can
                                        // compare samples.
                                        "  disable_synchronization = \"%6\";\n"
                                        "};\n"
                                        "pipe = {\n"
                                        "  name = \"%4\";\n"
                                        "};\n"
                                        "pa = {\n"
                                        "  sink = \"%7\";\n"
                                        "};\n"
                                        "sessioncontrol = {\n"
                                        "  session_timeout = 20;\n"
                                        "};\n"
                                        "diagnostics = {\n"
                                        "  statistics = \"yes\";\n"
                                        "  log_verbosity = 0;\n"
                                        "};\n")
                             .arg(name_)
                             .arg(port_)
                             .arg(udpBase)
                             .arg(pipePath_)
                             .arg(sink_.isEmpty() ? "pipe" : "pa")
                             .arg(sink_.isEmpty() ? "yes" : "no")
                             .arg(sink_);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0) {
        errorText_ = QStringLiteral("cannot write the shairport-sync configuration");
        return false;
    }
    file.close();
    const quint16 port = port_;
    if (!daemon_.start(
            {QStringLiteral("-c"), config, QStringLiteral("-u"), QStringLiteral("--statistics")},
            [port] { return tcpPortAnswers(port); }, std::chrono::seconds(15))) {
        errorText_ = daemon_.errorText();
        return false;
    }
    return true;
}

void ShairportSpeaker::stop() {
    if (daemon_.isRunning()) {
        daemon_.stop();
    }
    stopReading_ = true;
    if (reader_.joinable()) {
        reader_.join();
    }
}

QByteArray ShairportSpeaker::pcm() const {
    QMutexLocker lock(&mutex_);
    // A copy of its own, as for ChildProcess::output().
    return QByteArray(pcm_.constData(), pcm_.size());
}

void ShairportSpeaker::drain() {
    const int fd =
        ::open(QFile::encodeName(pipePath_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    char buffer[65536];
    while (!stopReading_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            QMutexLocker lock(&mutex_);
            pcm_.append(buffer, n);
        } else if (n == 0) {
            // No writer at the moment (between sessions): don't spin.
            ::usleep(20000);
        }
    }
    ::close(fd);
}
