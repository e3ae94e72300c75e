#pragma once

#include "platform/KorvidError.h"

#include <QString>

// A failure of the music player (MPD) as the user meets it: the player refused
// a command, refused us altogether, or could not be started.
class MusicAppError : public KorvidError {
public:
    enum class Kind { script, notPermitted, notInstalled };

    static MusicAppError script(const QString& message);
    static MusicAppError notPermitted();
    static MusicAppError notInstalled();
    // Korvid's own player is installed but did not start; `cause` says why
    // in one line (usually the player's own last word).
    static MusicAppError notStarted(const QString& cause);

    Kind kind() const noexcept { return kind_; }
    // The player's own message for `script`; empty otherwise.
    const QString& message() const noexcept { return message_; }

    friend bool operator==(const MusicAppError& a, const MusicAppError& b) {
        return a.kind_ == b.kind_ && a.message_ == b.message_;
    }

private:
    MusicAppError(Kind kind, QString message, QString description)
        : KorvidError(std::move(description))
        , kind_(kind)
        , message_(std::move(message)) {}

    Kind kind_;
    QString message_;
};
