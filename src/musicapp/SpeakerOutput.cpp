#include "musicapp/SpeakerOutput.h"

#include <array>
#include <utility>

namespace {

constexpr auto computerKind = "computer";
constexpr auto speakerSymbol = "hifispeaker.fill";

// Kinds are matched exactly, case included.
constexpr std::array<std::pair<const char*, const char*>, 6> symbolsByKind{{
    {"computer", "laptopcomputer"},
    {"Apple TV", "appletv.fill"},
    {"TV", "tv"},
    {"HomePod", "homepod.fill"},
    {"Bluetooth device", "headphones"},
    {"AirPort Express", "airport.express"},
}};

} // namespace

SpeakerOutput SpeakerOutput::music(QString name, QString kind) {
    return SpeakerOutput(Music{std::move(name), std::move(kind)});
}

SpeakerOutput SpeakerOutput::legacy(AirPlay1Speaker speaker) {
    return SpeakerOutput(std::move(speaker));
}

QString SpeakerOutput::id() const {
    if (isMusic()) {
        return QStringLiteral("music:") + musicDevice().name;
    }
    return QStringLiteral("legacy:") + legacySpeaker().id;
}

bool SpeakerOutput::isComputer() const {
    return isMusic() && musicDevice().kind == QLatin1String(computerKind);
}

QString SpeakerOutput::systemImage() const {
    if (isMusic()) {
        for (const auto& [kind, symbol] : symbolsByKind) {
            if (musicDevice().kind == QLatin1String(kind)) {
                return QString::fromLatin1(symbol);
            }
        }
    }
    return QString::fromLatin1(speakerSymbol);
}

QString SpeakerOutput::displayName() const {
    if (isComputer()) {
        return QStringLiteral("This Computer");
    }
    return isMusic() ? musicDevice().name : legacySpeaker().name;
}
