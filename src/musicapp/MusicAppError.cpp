#include "musicapp/MusicAppError.h"

MusicAppError MusicAppError::script(const QString& message) {
    return MusicAppError(Kind::script, message,
                         QStringLiteral("The music player reported an error: ") + message);
}

MusicAppError MusicAppError::notPermitted() {
    return MusicAppError(Kind::notPermitted, {},
                         QStringLiteral("Korvid isn't allowed to control the music player. "
                                        "Check the password in MPD_HOST."));
}

MusicAppError MusicAppError::notInstalled() {
    return MusicAppError(Kind::notInstalled, {},
                         QStringLiteral("The music player couldn't be opened. "
                                        "Install mpd and try again."));
}

MusicAppError MusicAppError::notStarted(const QString& cause) {
    return MusicAppError(Kind::notInstalled, {},
                         QStringLiteral("The music player couldn't be opened. ") + cause);
}
