// The korvid program itself, in a real X window: an Xvfb display of its own,
// a private session bus, a fresh home with a generated music folder, and
// Local Music chosen. What reaches the screen is read back from the display.
#include "musicapp/TestMusicFolder.h"
#include "support/PulseAudioServer.h"
#include "support/RequiredPeers.h"
#include "support/SessionBus.h"
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QImage>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTest>

using namespace std::chrono_literals;

namespace {
// The colour of the test songs' embedded covers.
bool isCoverColour(QRgb pixel) {
    return std::abs(qRed(pixel) - 200) < 16 && std::abs(qGreen(pixel) - 30) < 16 &&
           std::abs(qBlue(pixel) - 60) < 16;
}

// Rows in which at least `covers` covers lie side by side: separate runs of
// the cover colour, each as wide as a small album cell. The tint draws lines
// and text in a like colour, but never such runs.
int rowsWithCovers(const QImage& image, int covers) {
    constexpr int minimumRun = 60;
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int runs = 0;
        int run = 0;
        for (int x = 0; x <= image.width(); ++x) {
            if (x < image.width() && isCoverColour(line[x])) {
                ++run;
                continue;
            }
            runs += run >= minimumRun;
            run = 0;
        }
        rows += runs >= covers;
    }
    return rows;
}

// Xvfb on a display number it picks itself; the number comes back on the
// descriptor named by -displayfd, here its standard output.
QString startXvfb(ChildProcess& xvfb) {
    if (!xvfb.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1280x800x24"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp")}))
        return {};
    for (int i = 0; i < 100 && xvfb.isRunning(); ++i) {
        for (const QByteArray& line : xvfb.output().split('\n')) {
            bool number = false;
            line.trimmed().toInt(&number);
            if (number && xvfb.output().contains(line + '\n'))
                return u':' + QString::fromLatin1(line.trimmed());
        }
        QTest::qWait(100);
    }
    return {};
}
} // namespace

// One album of the test, kept as many people keep theirs: the cover a
// picture beside the songs, none embedded; `discs` folders of three songs.
bool addAlbum(const QString& music, const QString& album, int discs, const QString& title = {},
              const QString& artist = QStringLiteral("Test Artist")) {
    for (int disc = 1; disc <= discs; ++disc) {
        const QString folder = discs > 1 ? QStringLiteral("%1/CD%2").arg(album).arg(disc) : album;
        for (int track = 1; track <= 3; ++track) {
            const QString number = QString::number(track);
            if (!makeSong(music, {.path = QStringLiteral("%1/%2.mp3").arg(folder, number),
                                  .tags = {{"album", title.isEmpty() ? album : title},
                                           {"artist", artist},
                                           {"title", "Song " + number},
                                           {"disc", QString::number(disc)},
                                           {"track", number}}}))
                return false;
        }
    }
    return writePicture(music + u'/' + album + QStringLiteral("/cover.jpg"), qRgb(200, 30, 60),
                        QSize(300, 300));
}

// Korvid in a real window over `home`'s music folder with Local Music chosen:
// an Xvfb display and a private session bus of its own.
class RealKorvid {
public:
    explicit RealKorvid(TestHome& home)
        : home_(home) {}
    ~RealKorvid() {
        if (korvid.isRunning()) {
            korvid.terminate();
            korvid.waitForFinished(10s);
        }
    }

    // False, with the reason in `problem`, when a peer or Korvid did not start.
    bool start(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment()) {
        const QString music = home_.xdg("XDG_MUSIC_DIR");
        // Qt finds the music folder through user-dirs.dirs, not the variable.
        QFile dirs(home_.xdg("XDG_CONFIG_HOME") + QStringLiteral("/user-dirs.dirs"));
        EXPECT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_MUSIC_DIR=\"" + QFile::encodeName(music) + "\"\n");
        dirs.close();
        QDir().mkpath(home_.xdg("XDG_CONFIG_HOME") + QStringLiteral("/Korvid"));
        QFile settings(home_.xdg("XDG_CONFIG_HOME") + QStringLiteral("/Korvid/Korvid.conf"));
        EXPECT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nmusicSource=appleMusic\n");
        settings.close();

        display = startXvfb(xvfb);
        if (display.isEmpty()) {
            problem = "Xvfb did not start: " + xvfb.errorText().toStdString() +
                      xvfb.output().toStdString();
            return false;
        }
        // The accessibility bus the session bus starts on demand reaches
        // the display too: it types the keys a screen reader sends.
        qputenv("DISPLAY", display.toLocal8Bit());
        if (!bus.start()) {
            problem = "no session bus: " + bus.errorText().toStdString();
            return false;
        }
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        const bool started = korvid.start(QStringLiteral(KORVID_BINARY), {}, environment);
        EXPECT_TRUE(started) << korvid.errorText().toStdString();
        return started;
    }

    std::string problem;
    ChildProcess xvfb;
    QString display;
    SessionBus bus;
    ChildProcess korvid;

private:
    TestHome& home_;
};

// Sends MPD's commands over its socket; its answer up to the final "OK".
QByteArray askMpd(const QString& socketPath, const QByteArray& commands) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(2000) || !socket.waitForReadyRead(2000))
        return {};
    socket.readAll(); // the greeting
    socket.write("command_list_begin\n" + commands + "command_list_end\n");
    QByteArray answer;
    while (!answer.endsWith("OK\n") && !answer.contains("ACK") && socket.waitForReadyRead(2000))
        answer += socket.readAll();
    return answer;
}

// Home over the covers kept beside the songs, an album added while Korvid
// runs, and tags that hold markup naming a loopback listener: shown as
// written, they make Korvid fetch nothing. Then as a blind person would: the
// screen reader finds the albums by name, no showing control lacks one, and
// Tab, an arrow and Enter play an album.
TEST(RealWindowTest, KorvidShowsFolderCoversAndTagsAsWrittenAndAScreenReaderPlaysAnAlbum) {
    TestHome home;
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    const QString port = QString::number(listener.serverPort());
    const QString music = home.xdg("XDG_MUSIC_DIR");
    const QString markupTitle =
        "<img src=\"http://127.0.0.1:" + port + "/from-album-tag.png\">Evil Album";
    const QString markupArtist =
        "<b>Bold</b> <a href=\"http://127.0.0.1:" + port + "/\">Artist</a>";
    ASSERT_TRUE(addAlbum(music, "Amber Hours", 1));
    ASSERT_TRUE(addAlbum(music, "Markup", 1, markupTitle, markupArtist));
    PulseAudioServer pulse;
    if (!pulse.start())
        KORVID_PEER_MISSING("pulseaudio did not start: " + pulse.errorText().toStdString());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(pulse.clientEnvironment());
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    RealKorvid real(home);
    if (!real.start(environment))
        KORVID_PEER_MISSING(real.problem);
    ChildProcess& korvid = real.korvid;

    // What the display shows, as a person sees it, until `covers` covers
    // lie side by side over a cover's height, or a while has passed.
    QDir().mkpath(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
    const auto waitForCovers = [&](int covers, const QString& name) {
        const QString shot = QCoreApplication::applicationDirPath() +
                             QStringLiteral("/screenshots/%1.png").arg(name);
        int rows = 0;
        for (int attempt = 0; attempt < 30 && rows < 40 && korvid.isRunning(); ++attempt) {
            QTest::qWait(1000);
            const ProgramRun import =
                runProgram(QStringLiteral("import"),
                           {QStringLiteral("-display"), real.display, QStringLiteral("-window"),
                            QStringLiteral("root"), shot},
                           10s);
            EXPECT_TRUE(import.succeeded()) << import.output.toStdString();
            rows = rowsWithCovers(QImage(shot).convertToFormat(QImage::Format_RGB32), covers);
        }
        EXPECT_TRUE(korvid.isRunning()) << "korvid ended: " << korvid.output().toStdString();
        EXPECT_GE(rows, 40) << covers << " covers are not side by side on the screen; see "
                            << shot.toStdString() << "\n"
                            << korvid.output().toStdString();
    };
    // The first scan of the folder and the cover decoding take a moment.
    waitForCovers(2, QStringLiteral("real-window-home"));
    // An album copied in while Korvid runs, its cover above its disc folders.
    ASSERT_TRUE(addAlbum(music, "Blue Static", 2));
    waitForCovers(3, QStringLiteral("real-window-home-added"));
    // The picture the album tag names would be asked for as the cell shows it.
    QTest::qWait(500);
    EXPECT_FALSE(listener.hasPendingConnections()) << "a tag was taken for markup";

    const ProgramRun reader = real.bus.run(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral(KORVID_SCREEN_READER), QStringLiteral("Amber Hours, Test Artist"),
         QStringLiteral("Blue Static, Test Artist"), markupTitle + ", " + markupArtist},
        150s);
    ASSERT_TRUE(reader.succeeded()) << reader.output.toStdString() << "\n"
                                    << korvid.output().toStdString();
    ASSERT_TRUE(reader.output.contains("played: ")) << reader.output.toStdString();
    const QByteArray name = reader.output.mid(reader.output.indexOf("played: ") + 8).trimmed();
    const QByteArray album = name.left(name.indexOf(", ")); // no title holds a comma

    const QString socket = home.xdg("XDG_RUNTIME_DIR") + QStringLiteral("/korvid/mpd.socket");
    QByteArray status;
    for (int i = 0; i < 40 && !status.contains("state: play"); ++i) {
        QTest::qWait(250);
        status = askMpd(socket, "status\ncurrentsong\n");
    }
    EXPECT_TRUE(status.contains("state: play")) << status.toStdString();
    EXPECT_TRUE(status.contains("\nAlbum: " + album + "\n"))
        << album.toStdString() << " is not what MPD plays:\n"
        << status.toStdString();
    korvid.terminate();
    EXPECT_TRUE(korvid.waitForFinished(10s));
}
