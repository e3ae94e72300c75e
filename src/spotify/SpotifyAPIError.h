#pragma once

#include "platform/KorvidError.h"

// An HTTP answer outside 200-299 from the Web API. The description is the
// text the screens show, built from the status and Spotify's error document.
class SpotifyAPIError : public KorvidError {
public:
    // `message` is the body as text ("HTTP <status>" when it is not UTF-8).
    SpotifyAPIError(int status, QString message);

    int status() const noexcept { return status_; }
    const QString& message() const noexcept { return message_; }

    static QString describe(int status, const QString& message);

private:
    int status_;
    QString message_;
};
