#include "ui/IconNames.h"

#include <array>

namespace {
struct IconRow {
    const char* symbol;
    const char* themeName;
    const char* bundled; // file under qrc:/korvid/icons
};

constexpr std::array<IconRow, 41> kIcons{{
    {"house.fill", "go-home", "home.svg"},
    {"square.stack.fill", "folder-music", "library.svg"},
    {"square.stack", "folder-music", "library.svg"},
    {"gearshape.fill", "preferences-system", "settings.svg"},
    {"music.note", "audio-x-generic", "note.svg"},
    {"music.note.list", "view-media-playlist", "note.svg"},
    {"photo", "image-x-generic", "photo.svg"},
    {"shuffle", "media-playlist-shuffle", "shuffle.svg"},
    {"hifispeaker.fill", "audio-speakers", "speaker.svg"},
    {"hifispeaker", "audio-speakers", "speaker.svg"},
    {"hifispeaker.slash", "audio-volume-muted", "speaker-off.svg"},
    {"exclamationmark.triangle", "dialog-warning", "warning.svg"},
    {"backward.fill", "media-skip-backward", "backward.svg"},
    {"forward.fill", "media-skip-forward", "forward.svg"},
    {"play.fill", "media-playback-start", "play.svg"},
    {"pause.fill", "media-playback-pause", "pause.svg"},
    {"play.circle.fill", "media-playback-start", "play.svg"},
    {"stop.circle.fill", "media-playback-stop", "stop.svg"},
    {"speaker.fill", "audio-volume-low", "volume-low.svg"},
    {"speaker.wave.3.fill", "audio-volume-high", "volume-high.svg"},
    {"computer", "computer", "computer.svg"},
    {"desktopcomputer", "computer", "computer.svg"},
    {"laptopcomputer", "computer-laptop", "laptop.svg"},
    {"appletv.fill", "video-display", "tv.svg"},
    {"homepod.fill", "audio-speakers", "speaker.svg"},
    {"airport.express", "network-wireless", "airplay.svg"},
    {"iphone", "phone", "phone.svg"},
    {"tv", "video-display", "tv.svg"},
    {"tv.and.hifispeaker.fill", "video-display", "tv.svg"},
    {"airplayaudio", "network-wireless", "airplay.svg"},
    {"car.fill", "audio-card", "car.svg"},
    {"gamecontroller.fill", "input-gaming", "gamepad.svg"},
    {"headphones", "audio-headphones", "headphones.svg"},
    {"checkmark", "object-select", "check.svg"},
    {"checkmark.circle.fill", "emblem-default", "check.svg"},
    {"chevron.down", "go-down", "chevron-down.svg"},
    {"arrow.clockwise", "view-refresh", "refresh.svg"},
    {"hifispeaker.2.fill", "audio-speakers", "speaker.svg"},
    {"airplayvideo", "video-display", "tv.svg"},
    {"speaker.wave.2.fill", "audio-speakers", "speaker.svg"},
    {"hifispeaker.and.homepod.fill", "audio-speakers", "speaker.svg"},
}};

const IconRow* find(const QString& symbol) {
    for (const auto& row : kIcons) {
        if (symbol == QLatin1String(row.symbol)) {
            return &row;
        }
    }
    return nullptr;
}
} // namespace

namespace IconNames {

QString themeName(const QString& symbol) {
    const auto* row = find(symbol);
    return row ? QString::fromLatin1(row->themeName) : QString();
}

QUrl fallback(const QString& symbol) {
    const auto* row = find(symbol);
    return QUrl(QStringLiteral("qrc:/korvid/icons/") +
                QString::fromLatin1(row ? row->bundled : "note.svg"));
}

} // namespace IconNames
