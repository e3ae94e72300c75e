#include "spotify/SpotifyAPIError.h"

#include "spotify/SpotifyRecords.h"

SpotifyAPIError::SpotifyAPIError(int status, QString message)
    : KorvidError(describe(status, message))
    , status_(status)
    , message_(std::move(message)) {}

QString SpotifyAPIError::describe(int status, const QString& message) {
    std::optional<SpotifyErrorBody::ErrorDetail> detail;
    try {
        detail = SpotifyErrorBody::decode(message.toUtf8()).error;
    } catch (const SpotifyDecodingError&) {
    }
    if (status == 403) {
        if (detail && detail->reason == QStringLiteral("PREMIUM_REQUIRED"))
            return QStringLiteral("Spotify Premium is required to control playback.");
        if (detail)
            return detail->message;
        return QStringLiteral("Spotify denied this request (403). Make sure this Spotify account "
                              "is added under Users in your app's Developer Dashboard settings.");
    }
    if (status == 404)
        return QStringLiteral(
            "No active Spotify device. Open Spotify on a speaker or device first.");
    return QStringLiteral("Spotify error ") + QString::number(status) + QStringLiteral(": ") +
           (detail ? detail->message : message);
}
