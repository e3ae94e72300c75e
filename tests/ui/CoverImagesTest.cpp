#include "ui/CoverImages.h"
#include "model/CoverDecoding.h"
#include "musicapp/EmbeddedArtwork.h"
#include "musicapp/TagReader.h"
#include "spotify/SpotifyStandIn.h"
#include "support/RunTask.h"
#include "support/TestAudio.h"
#include "support/TestHome.h"
#include "ui/CoverImageProvider.h"

#include <QBuffer>
#include <QDir>
#include <QNetworkProxy>
#include <QQuickTextureFactory>

#include <gtest/gtest.h>

namespace {

QByteArray png(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QColor red(200, 30, 60);

class CoverImagesTest : public ::testing::Test {
protected:
    CoverImagesTest() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    // The picture the engine would get for `source`, as a view asking for
    // `size` gets it; null when there is none.
    QImage load(CoverImages& from, const QUrl& source, QSize size) {
        CoverImageProvider provider(from);
        const QString id = source.toString().mid(QStringLiteral("image://covers/").size());
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(id, size));
        bool finished = false;
        QObject::connect(response.get(), &QQuickImageResponse::finished, response.get(),
                         [&] { finished = true; });
        if (!waitUntil([&] { return finished; })) {
            ADD_FAILURE() << "no answer for " << source.toString().toStdString();
            return {};
        }
        std::unique_ptr<QQuickTextureFactory> texture(response->textureFactory());
        EXPECT_EQ(texture == nullptr, !response->errorString().isEmpty());
        return texture ? texture->image() : QImage();
    }

    QUrl remote(const std::string& path) {
        return covers->source("spotify-1", AlbumArtwork::remote(QUrl(
                                               QString::fromStdString(server.origin() + path))));
    }
    QStringList kept() const { return QDir(folder()).entryList(QDir::Files); }
    QString folder() const { return home.filePath("covers"); }

    std::unique_ptr<CoverImages> makeCovers() const {
        return std::make_unique<CoverImages>(folder(), CoverImages::defaultMemoryBytes,
                                             server.fetchPolicy());
    }

    TestHome home;
    SpotifyStandIn server;
    std::unique_ptr<CoverImages> covers = makeCovers();
};

TEST_F(CoverImagesTest, BadCoversGiveNoPictureAndAreNotKept) {
    const auto reply = [this](const std::string& path, SpotifyStandIn::Reply answer) {
        server.on("GET", path, [answer](const SpotifyStandIn::Request&) { return answer; });
        return remote(path);
    };
    std::string huge(CoverDecoding::maximumBytes + 1, 'x');
    // A service on this computer that a redirect points at.
    SpotifyStandIn elsewhere;
    TestTracks tracks;
    const QUrl noPicture = tracks.text("song.mp3");
    // A picture, but not one to read from wherever an address points.
    const QUrl localFile = tracks.text("cover.png", png({64, 64}, red));
    const struct {
        const char* what;
        QUrl source;
    } cases[] = {
        {"not found", reply("/missing", {404, "not here", "text/plain"})},
        {"not a picture", reply("/garbage", {200, "<html>oops</html>", "image/jpeg"})},
        {"cut off", reply("/cut", {200, png({64, 64}, red).toStdString(), "image/png", "",
                                   SpotifyStandIn::Reply::Break::close, 40})},
        {"too large",
         reply("/huge", {200, huge, "image/png", "", SpotifyStandIn::Reply::Break::stall, 16})},
        {"a file", covers->source("spotify-2", AlbumArtwork::remote(localFile))},
        {"not https",
         covers->source("spotify-4", AlbumArtwork::remote(QUrl("http://i.scdn.co/image/ab67")))},
        {"redirected to this computer",
         reply("/to-local", {302, "", "text/plain", elsewhere.origin() + "/image/ab67"})},
        {"redirected to http",
         reply("/to-http", {302, "", "text/plain", "http://i.scdn.co/image/ab67"})},
        {"local without a picture",
         covers->source("apple-2", AlbumArtwork::local(std::make_shared<EmbeddedArtwork>(
                                       noPicture.toLocalFile(), makeTagLibReader())))},
        {"unknown address", QUrl("image://covers/remote/%%%")},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(load(*covers, c.source, {100, 100}).isNull()) << c.what;
    }
    EXPECT_EQ(kept(), QStringList());
    EXPECT_EQ(elsewhere.requests().size(), 0u);
    // Nothing that failed counts as had: asking again asks the server again.
    EXPECT_TRUE(load(*covers, remote("/missing"), {100, 100}).isNull());
    EXPECT_EQ(server.requestsTo("/missing").size(), 2u);
    // Without any picture there is no address to ask for.
    EXPECT_TRUE(covers->source("spotify-3", AlbumArtwork::remote(std::nullopt)).isEmpty());
    EXPECT_TRUE(covers->source("apple-3", AlbumArtwork::local(nullptr)).isEmpty());
}

} // namespace
