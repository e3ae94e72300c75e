// Every decoder of Spotify's documents, and the stored token set, over the
// same bytes: each must either decode or throw its decoding error.
#include "spotify/SpotifyAPIError.h"
#include "spotify/SpotifyRecords.h"
#include "spotify/TokenStore.h"

#include <cstddef>
#include <cstdint>

namespace {
template <typename Decode> void attempt(Decode decode) {
    try {
        decode();
    } catch (const SpotifyDecodingError&) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    attempt([&] { SavedAlbumsResponse::decode(json); });
    attempt([&] { DevicesResponse::decode(json); });
    attempt([&] { CurrentlyPlayingResponse::decode(json); });
    attempt([&] { AlbumTracksResponse::decode(json); });
    attempt([&] { SpotifyErrorBody::decode(json); });
    attempt([&] { SpotifyTokenResponse::decode(json); });
    if (auto tokens = TokenStore::decode(json))
        TokenStore::decode(tokens->encode());
    // The error descriptions read the body as Spotify's error document.
    for (int status : {403, 404, 500})
        (void)SpotifyAPIError::describe(status, QString::fromUtf8(json));
    return 0;
}
