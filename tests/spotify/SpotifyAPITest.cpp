#include "SpotifyFixture.h"

#include "spotify/SpotifyAPIError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::string albumJson(int n) {
    const std::string id = "al" + std::to_string(n);
    return R"({"id":")" + id + R"(","name":"Album )" + std::to_string(n) +
           R"(","uri":"spotify:album:)" + id +
           R"(","images":[],"artists":[{"id":"a","name":"Artist"}]})";
}

} // namespace

class SpotifyWebAPI : public SpotifyFixture {
protected:
    SpotifyWebAPI() { signIn(); }
};

TEST_F(SpotifyWebAPI, PagingFollowsNextUpToTheMaximumButNotEmptyPagesOrForeignAddresses) {
    // An endless chain of empty pages, and a "next" on another host that
    // must never receive the token.
    standIn.onJson("GET", "/v1/me/albums", 200,
                   R"({"items":[],"next":")" + standIn.origin() +
                       R"(/v1/me/albums?offset=0&limit=50"})");
    EXPECT_TRUE(runTask(api->savedAlbums(50, 10)).isEmpty());
    EXPECT_EQ(standIn.requestsTo("/v1/me/albums").size(), 1u);

    standIn.onJson("GET", "/v1/me/albums", 200,
                   R"({"items":[{"added_at":"x","album":)" + albumJson(1) +
                       R"(}],"next":"http://127.0.0.2:9/v1/me/albums?offset=1"})");
    EXPECT_EQ(runTask(api->savedAlbums(50, 10)).size(), 1);
    EXPECT_EQ(standIn.requestsTo("/v1/me/albums").size(), 2u);

    standIn.onJson("GET", "/v1/me/albums", 200,
                   R"({"items":[{"added_at":"x","album":)" + albumJson(1) +
                       R"(}],"next":"::not a url::"})");
    EXPECT_EQ(runTask(api->savedAlbums(50, 10)).size(), 1);

    // Pages on the Web API's own host are asked for exactly as given, until
    // the maximum is reached.
    const std::string two = R"({"added_at":"x","album":)" + albumJson(1) +
                            R"(},{"added_at":"x","album":)" + albumJson(2) + "}";
    const auto page = [&](const char* next) {
        return R"({"items":[)" + two + R"(],"next":")" + standIn.origin() + next + "\"}";
    };
    standIn.onJson("GET", "/v1/me/albums", 200, page("/v1/me/more?offset=2&limit=50"));
    standIn.onJson("GET", "/v1/me/more", 200, page("/v1/me/more?offset=4&limit=50"));
    EXPECT_EQ(runTask(api->savedAlbums(50, 3)).size(), 3);
    EXPECT_EQ(standIn.requestsTo("/v1/me/albums").back().target, "/v1/me/albums?limit=50");
    ASSERT_EQ(standIn.requestsTo("/v1/me/more").size(), 1u);
    EXPECT_EQ(standIn.requestsTo("/v1/me/more").at(0).target, "/v1/me/more?offset=2&limit=50");
}

TEST_F(SpotifyWebAPI, StatusesBecomeTheirDescriptions) {
    const QString hint =
        "Spotify denied this request (403). Make sure this Spotify account is added under "
        "Users in your app's Developer Dashboard settings.";
    const QString noDevice = "No active Spotify device. Open Spotify on a speaker or device first.";
    const std::vector<std::tuple<int, std::string, QString>> cases = {
        {403,
         R"({"error":{"status":403,"message":"Player command failed: Premium required","reason":"PREMIUM_REQUIRED"}})",
         "Spotify Premium is required to control playback."},
        {403, R"({"error":{"status":403,"message":"Restriction violated","reason":"UNKNOWN"}})",
         "Restriction violated"},
        {403,
         R"({"error":{"status":403,"message":"User not registered in the Developer Dashboard"}})",
         "User not registered in the Developer Dashboard"},
        {403, "Forbidden", hint},
        {404, R"({"error":{"status":404,"message":"Device not found"}})", noDevice},
        {502, "", "Spotify error 502: "},
        {500, R"({"error":{"status":500,"message":"Server error"}})",
         "Spotify error 500: Server error"},
        {429, "Too many requests", "Spotify error 429: Too many requests"},
        {400, std::string("\xc3\x28", 2), "Spotify error 400: HTTP 400"},
    };
    for (const auto& [status, body, description] : cases) {
        SCOPED_TRACE(body);
        standIn.onJson("PUT", "/v1/me/player/pause", status, body);
        const auto error = failureOf<SpotifyAPIError>(api->pause());
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->status(), status);
        EXPECT_EQ(error->description(), description);
    }
    // A redirect is not followed, so the token stays with the Web API.
    standIn.on("PUT", "/v1/me/player/pause", [](const auto&) {
        SpotifyStandIn::Reply reply{307, "", "text/plain"};
        reply.location = "http://127.0.0.2:9/elsewhere";
        return reply;
    });
    const auto redirected = failureOf<SpotifyAPIError>(api->pause());
    ASSERT_TRUE(redirected.has_value());
    EXPECT_EQ(redirected->description(), "Spotify error 307: ");
    // Status 2xx of any kind passes a command.
    standIn.onJson("PUT", "/v1/me/player/pause", 202, "");
    EXPECT_NO_THROW(runTask(api->pause()));
}

TEST_F(SpotifyWebAPI, RequestsReachTheServerExactly) {
    signIn("tok-en.1~");
    standIn.onJson("PUT", "/v1/me/player/play", 204, "");
    standIn.onJson("PUT", "/v1/me/player", 204, "");
    standIn.onJson("PUT", "/v1/me/player/pause", 204, "");
    standIn.onJson("POST", "/v1/me/player/next", 204, "");
    standIn.onJson("POST", "/v1/me/player/previous", 204, "");
    standIn.onJson("PUT", "/v1/me/player/volume", 204, "");
    standIn.onJson("PUT", "/v1/me/player/seek", 204, "");

    struct Expected {
        std::function<QCoro::Task<>()> call;
        std::string method, target;
        QJsonObject body; // empty: no body at all
    };
    const std::vector<Expected> cases = {
        {[&] { return api->play("spotify:album:al1", "dev&1"); }, "PUT",
         "/v1/me/player/play?device_id=dev%261", QJsonObject{{"context_uri", "spotify:album:al1"}}},
        {[&] { return api->transferPlayback("dev 2", false); }, "PUT", "/v1/me/player",
         QJsonObject{{"device_ids", QJsonArray{"dev 2"}}, {"play", false}}},
        {[&] { return api->resume("d1"); }, "PUT", "/v1/me/player/play?device_id=d1", {}},
        {[&] { return api->pause("d1"); }, "PUT", "/v1/me/player/pause?device_id=d1", {}},
        {[&] { return api->skipToNext(); }, "POST", "/v1/me/player/next", {}},
        {[&] { return api->skipToPrevious("d1"); },
         "POST",
         "/v1/me/player/previous?device_id=d1",
         {}},
        {[&] { return api->setVolume(7, "d1"); },
         "PUT",
         "/v1/me/player/volume?device_id=d1&volume_percent=7",
         {}},
        {[&] { return api->seek(123456789012LL, "d1"); },
         "PUT",
         "/v1/me/player/seek?device_id=d1&position_ms=123456789012",
         {}},
        {[&] { return api->seek(-5); }, "PUT", "/v1/me/player/seek?position_ms=-5", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const auto before = standIn.requests().size();
        runTask(c.call());
        const auto all = standIn.requests();
        ASSERT_EQ(all.size(), before + 1);
        const auto& sent = all.back();
        EXPECT_EQ(sent.method, c.method);
        EXPECT_EQ(sent.target, c.target);
        EXPECT_EQ(sent.header("authorization"), "Bearer tok-en.1~");
        if (c.body.isEmpty()) {
            EXPECT_TRUE(sent.body.empty());
            EXPECT_FALSE(sent.hasHeader("content-type"));
        } else {
            EXPECT_EQ(sent.header("content-type"), "application/json");
            EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(sent.body)).object(),
                      c.body);
        }
    }
}

TEST_F(SpotifyWebAPI, AnswersBrokenOffAfterTheHeadersAreTransportFailures) {
    using Break = SpotifyStandIn::Reply::Break;
    const std::string body =
        R"({"devices":[{"id":"a","is_active":true,"name":"Kitchen","type":"Speaker"}]})";
    const QUrl direct = standIn.apiBase().resolved(QUrl("v1/direct"));
    struct Case {
        const char* name;
        std::string method, path;
        int status;
        Break breakOff;
        size_t bytes;
        std::function<QCoro::Task<>()> call;
        QString description; // checked when given
    };
    const std::vector<Case> cases = {
        // A command must not succeed on a status alone.
        {"play", "PUT", "/v1/me/player/play", 200, Break::close, 0,
         [&] { return api->play("spotify:album:al1", "d1"); }},
        // A GET fails with the network's text, not the decoding one.
        {"devices", "GET", "/v1/me/player/devices", 200, Break::close, 20,
         [&]() -> QCoro::Task<> { co_await api->devices(); }},
        {"error status", "PUT", "/v1/me/player/pause", 500, Break::close, 10,
         [&] { return api->pause(); }},
        {"stall", "GET", "/v1/direct", 200, Break::stall, 20,
         [&]() -> QCoro::Task<> {
             co_await SpotifyHttp::perform(network, QNetworkRequest(direct), "GET", std::nullopt,
                                           std::chrono::milliseconds(300));
         },
         "The request timed out."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        standIn.on(c.method, c.path, [&c, &body](const auto&) {
            SpotifyStandIn::Reply reply{c.status, body};
            reply.breakOff = c.breakOff;
            reply.bytesBeforeBreak = c.bytes;
            return reply;
        });
        const auto error = failureOf<SpotifyTransportError>(c.call());
        ASSERT_TRUE(error.has_value());
        if (!c.description.isEmpty()) {
            EXPECT_EQ(error->description(), c.description);
        }
    }
}

TEST_F(SpotifyWebAPI, FirstPreviewURL) {
    standIn.onJson(
        "GET", "/v1/albums/al 1?x/tracks", 200,
        R"({"items":[{"preview_url":null},{"name":"t"},{"preview_url":"https://p.scdn.co/mp3-preview/2"},)"
        R"({"preview_url":"https://p.scdn.co/mp3-preview/3"}]})");
    EXPECT_EQ(runTask(api->firstPreviewURL("al 1?x")), QUrl("https://p.scdn.co/mp3-preview/2"));
    EXPECT_EQ(standIn.requests().back().target, "/v1/albums/al%201%3Fx/tracks?limit=10");

    standIn.onJson("GET", "/v1/albums/none/tracks", 200, R"({"items":[{"preview_url":null}]})");
    EXPECT_FALSE(runTask(api->firstPreviewURL("none")).has_value());
    standIn.onJson("GET", "/v1/albums/bad/tracks", 200,
                   R"({"items":[{"preview_url":"::"},{"preview_url":"https://ok"}]})");
    EXPECT_FALSE(runTask(api->firstPreviewURL("bad")).has_value());
    // The media player would open whatever it is handed: only https from
    // elsewhere is a preview.
    for (const char* address : {"file:///etc/passwd", "concat:/etc/passwd", "http://p.scdn.co/x",
                                "https://127.0.0.1:8080/x", "https://192.168.1.1/x"}) {
        standIn.onJson("GET", "/v1/albums/refused/tracks", 200,
                       R"({"items":[{"preview_url":")" + std::string(address) + R"("}]})");
        EXPECT_FALSE(runTask(api->firstPreviewURL("refused")).has_value()) << address;
    }
}
