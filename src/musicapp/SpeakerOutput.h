#pragma once

#include "airplay1/AirPlay1Speaker.h"

#include <QMetaType>
#include <QString>

#include <variant>

// An output a local album can play on: one of the music player's outputs, by
// the name and kind it reports, or a legacy AirPlay 1 speaker that Korvid
// streams to itself.
class SpeakerOutput {
public:
    struct Music {
        QString name;
        QString kind;
    };

    static SpeakerOutput music(QString name, QString kind);
    static SpeakerOutput legacy(AirPlay1Speaker speaker);

    bool isMusic() const { return std::holds_alternative<Music>(value_); }
    bool isLegacy() const { return std::holds_alternative<AirPlay1Speaker>(value_); }
    // Only valid for the matching case.
    const Music& musicDevice() const { return std::get<Music>(value_); }
    const AirPlay1Speaker& legacySpeaker() const { return std::get<AirPlay1Speaker>(value_); }

    // "music:" + name, or "legacy:" + the speaker's id. The output's identity:
    // a legacy speaker stays the same output whatever its address.
    QString id() const;
    // This computer's own sound (a music output of kind "computer").
    bool isComputer() const;
    // The symbol drawn for it.
    QString systemImage() const;
    // "This Computer" for the computer, otherwise the device's or speaker's name.
    QString displayName() const;

    friend bool operator==(const SpeakerOutput& a, const SpeakerOutput& b) {
        return a.id() == b.id();
    }

private:
    explicit SpeakerOutput(std::variant<Music, AirPlay1Speaker> value)
        : value_(std::move(value)) {}

    std::variant<Music, AirPlay1Speaker> value_;
};

// One row of the speaker list.
struct SpeakerOption {
    SpeakerOutput output;
    bool isAvailable = false;

    QString id() const { return output.id(); }

    friend bool operator==(const SpeakerOption& a, const SpeakerOption& b) {
        return a.id() == b.id() && a.isAvailable == b.isAvailable;
    }
};

Q_DECLARE_METATYPE(SpeakerOutput)
Q_DECLARE_METATYPE(SpeakerOption)
