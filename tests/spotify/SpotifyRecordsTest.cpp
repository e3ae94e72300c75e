#include "spotify/SpotifyRecords.h"
#include "spotify/TokenStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>

namespace {

const char* album(const char* extra = "") {
    static thread_local std::string text;
    text = std::string(
               R"({"id":"al1","name":"Blue","uri":"spotify:album:al1",)"
               R"("images":[{"url":"https://i/1","height":640,"width":null}],)"
               R"("artists":[{"id":"ar1","name":"A"},{"id":"ar2","name":"B","genres":["jazz"]}])") +
           extra + "}";
    return text.c_str();
}

struct FailingDocument {
    const char* what;
    std::function<void(const QByteArray&)> decode;
    std::string json;
    QString keyPath;
};

auto savedAlbums = [](const QByteArray& json) { SavedAlbumsResponse::decode(json); };
auto devices = [](const QByteArray& json) { DevicesResponse::decode(json); };
auto playback = [](const QByteArray& json) { CurrentlyPlayingResponse::decode(json); };
auto token = [](const QByteArray& json) { SpotifyTokenResponse::decode(json); };
auto tracks = [](const QByteArray& json) { AlbumTracksResponse::decode(json); };
auto errorBody = [](const QByteArray& json) { SpotifyErrorBody::decode(json); };

} // namespace

TEST(SpotifyRecords, MalformedDocumentsFailNamingTheKey) {
    const std::vector<FailingDocument> cases = {
        {"a device without is_active fails the whole list", devices,
         R"({"devices":[{"id":"d1","is_active":true,"name":"Den","type":"Speaker"},)"
         R"({"id":null,"name":"Phone","type":"Smartphone"}]})",
         "devices[1].is_active"},
        {"an album without images", savedAlbums,
         R"({"items":[{"added_at":"2024-01-01T00:00:00Z","album":{"id":"x","name":"n","uri":"u","artists":[]}}]})",
         "items[0].album.images"},
        {"a required key that is null", savedAlbums, R"({"items":null})", "items"},
        {"a playback item without an album", playback,
         R"({"is_playing":true,"item":{"name":"t","artists":[],"duration_ms":1}})", "item.album"},
        {"a mistyped integer", token, R"({"access_token":"a","expires_in":"3600"})", "expires_in"},
        {"a fractional integer", savedAlbums,
         std::string(R"({"items":[{"added_at":"x","album":)") + album(R"(,"total_tracks":3.5)") +
             "}]}",
         "items[0].album.total_tracks"},
        {"an integer beyond 64 bits", devices,
         R"({"devices":[{"id":"d","is_active":true,"name":"n","type":"t","volume_percent":1e30}]})",
         "devices[0].volume_percent"},
        {"a genre that is not a string", playback,
         std::string(R"({"is_playing":false,"item":{"name":"t","duration_ms":5,"album":)") +
             album() + R"(,"artists":[{"id":"a","name":"n","genres":["rock",7]}]}})",
         "item.artists[0].genres[1]"},
        {"a list element that is not an object", tracks, R"({"items":[{"preview_url":null},3]})",
         "items[1]"},
        {"a boolean given as a number", playback, R"({"is_playing":1})", "is_playing"},
        {"an error document without a message", errorBody, R"({"error":{"status":403}})",
         "error.message"},
        {"text that is not JSON", devices, "<html>Bad gateway</html>", ""},
        {"a JSON list instead of an object", devices, "[]", ""},
        {"an empty body", token, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.decode(QByteArray::fromStdString(c.json));
            ADD_FAILURE() << "decoded although malformed";
        } catch (const SpotifyDecodingError& error) {
            EXPECT_EQ(error.keyPath(), c.keyPath);
            if (!c.keyPath.isEmpty()) {
                EXPECT_TRUE(
                    error.description().contains(QLatin1Char('"') + c.keyPath + QLatin1Char('"')))
                    << error.description().toStdString();
            }
        }
    }
}

TEST(TokenStoreDocument, RoundTripsAndRejectsIncompleteDocuments) {
    const TokenStore tokens{"acc",
                            "",
                            QDateTime(QDate(2001, 1, 1), QTime(0, 1, 40, 500), QTimeZone::utc()),
                            {"a", "b"}};
    const QByteArray json = tokens.encode();
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    EXPECT_DOUBLE_EQ(object.value("expiresAt").toDouble(), 100.5); // seconds since 2001
    EXPECT_EQ(TokenStore::decode(json), tokens);

    for (const char* bad :
         {"not json", "{}", R"({"accessToken":"a","refreshToken":"r","expiresAt":1})",
          R"({"accessToken":"a","refreshToken":"r","expiresAt":"1","grantedScopes":[]})",
          R"({"accessToken":"a","refreshToken":"r","expiresAt":1,"grantedScopes":[1]})"}) {
        EXPECT_FALSE(TokenStore::decode(bad).has_value()) << bad;
    }
}
