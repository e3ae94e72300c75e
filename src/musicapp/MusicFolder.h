#pragma once

#include <QString>

// The music folder the library reads when no music player names one: the
// user's XDG music folder (XDG_MUSIC_DIR, usually ~/Music).
QString defaultMusicFolder();
