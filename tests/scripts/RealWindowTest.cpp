// The korvid program itself, in a real X window: an Xvfb display of its own,
// a private session bus, a fresh home with a generated music folder, and
// Local Music chosen. What reaches the screen is read back from the display.
#include "musicapp/TestMusicFolder.h"
#include "support/ChildProcess.h"
#include "support/RequiredPeers.h"
#include "support/SessionBus.h"
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QImage>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {
// The colour of the test songs' embedded covers.
bool isCoverColour(QRgb pixel) {
    return std::abs(qRed(pixel) - 200) < 16 && std::abs(qGreen(pixel) - 30) < 16 &&
           std::abs(qBlue(pixel) - 60) < 16;
}

// Rows in which at least two covers lie side by side: two separate runs of
// the cover colour, each as wide as a small album cell. The tint draws lines
// and text in a like colour, but never two such runs in one row.
int rowsWithTwoCovers(const QImage& image) {
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
        rows += runs >= 2;
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

// Home over two albums, and a third whose tags hold markup naming a loopback
// listener: shown as written, it makes Korvid fetch nothing.
TEST(RealWindowTest, KorvidStartsOnXvfbAndHomeShowsTheMusicFolderAlbumsTagsAsWritten) {
    TestHome home;
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    const QString port = QString::number(listener.serverPort());
    const QString music = home.xdg("XDG_MUSIC_DIR");
    const struct {
        QString folder, album, artist;
    } albums[] = {
        {"Amber Hours", "Amber Hours", "Test Artist"},
        {"Blue Static", "Blue Static", "Test Artist"},
        {"Markup", "<img src=\"http://127.0.0.1:" + port + "/from-album-tag.png\">Evil Album",
         "<b>Bold</b> <a href=\"http://127.0.0.1:" + port + "/\">Artist</a>"},
    };
    for (const auto& album : albums) {
        for (int track = 1; track <= 3; ++track) {
            const QString number = QString::number(track);
            ASSERT_TRUE(makeSong(music, {.path = album.folder + "/" + number + ".mp3",
                                         .tags = {{"album", album.album},
                                                  {"artist", album.artist},
                                                  {"title", "Song " + number},
                                                  {"track", number}},
                                         .cover = true}));
        }
    }
    // Qt finds the music folder through user-dirs.dirs, not the variable.
    {
        QFile dirs(home.xdg("XDG_CONFIG_HOME") + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_MUSIC_DIR=\"" + QFile::encodeName(music) + "\"\n");
    }
    {
        QDir().mkpath(home.xdg("XDG_CONFIG_HOME") + QStringLiteral("/Korvid"));
        QFile settings(home.xdg("XDG_CONFIG_HOME") + QStringLiteral("/Korvid/Korvid.conf"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        // Titles and artists under the covers.
        settings.write("[General]\nmusicSource=appleMusic\nalbumDisplayStyle=coverWithDetails\n");
    }

    ChildProcess xvfb;
    const QString display = startXvfb(xvfb);
    if (display.isEmpty())
        KORVID_PEER_MISSING("Xvfb did not start: " + xvfb.errorText().toStdString() +
                            xvfb.output().toStdString());
    SessionBus bus;
    if (!bus.start())
        KORVID_PEER_MISSING("no session bus: " + bus.errorText().toStdString());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    ChildProcess korvid;
    ASSERT_TRUE(korvid.start(QStringLiteral(KORVID_BINARY), {}, environment))
        << korvid.errorText().toStdString();

    // The first scan of the folder and the cover decoding take a moment.
    const QString shot = QCoreApplication::applicationDirPath() +
                         QStringLiteral("/screenshots/real-window-home.png");
    QDir().mkpath(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
    int rows = 0;
    for (int attempt = 0; attempt < 30 && rows < 40 && korvid.isRunning(); ++attempt) {
        QTest::qWait(1000);
        const ProgramRun import =
            runProgram(QStringLiteral("import"),
                       {QStringLiteral("-display"), display, QStringLiteral("-window"),
                        QStringLiteral("root"), shot},
                       10s);
        ASSERT_TRUE(import.succeeded()) << import.output.toStdString();
        rows = rowsWithTwoCovers(QImage(shot).convertToFormat(QImage::Format_RGB32));
    }
    ASSERT_TRUE(korvid.isRunning()) << "korvid ended: " << korvid.output().toStdString();
    EXPECT_GE(rows, 40) << "the albums' covers are not on the screen; see " << shot.toStdString()
                        << "\n"
                        << korvid.output().toStdString();
    // The picture the album tag names would be asked for as the cell shows it.
    QTest::qWait(500);
    EXPECT_FALSE(listener.hasPendingConnections())
        << "a tag was taken for markup; see " << shot.toStdString();
    korvid.terminate();
    EXPECT_TRUE(korvid.waitForFinished(10s));
}
