#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// A sink of the sound server, as Korvid's own MPD gets one output per sink.
struct SoundSink {
    QString name;        // the sound server's sink name
    QString description; // what the user calls it
    // The sink's property list ("device.bus", "device.form_factor", ...).
    QMap<QString, QString> properties;
    QStringList portNames; // the active port first
    bool isDefault = false;
};

// The MPD output Korvid's own MPD gets for one sink.
struct SinkOutput {
    QString name; // unique among the outputs
    QString kind; // as the speaker list shows it
    QString sink;
    bool enabled = false;

    friend bool operator==(const SinkOutput&, const SinkOutput&) = default;
};

namespace SoundSinkKinds {

inline const QString computer = QStringLiteral("computer");

// What a sink is, from its properties alone: "Bluetooth device", "TV" for
// HDMI and DisplayPort, "AirPlay speaker" for a sink the sound server streams
// to such a speaker, otherwise a readable kind drawn as a speaker.
QString kindOf(const SoundSink& sink);

// True for a sink the sound server streams to an AirPlay speaker.
bool streamsToAirPlay(const SoundSink& sink);

// The output name a sink is shown by: an AirPlay speaker's own name (so it
// matches the speaker Korvid finds on the network), otherwise the sink's
// description, or its name when it has none.
QString displayName(const SoundSink& sink);

// One output per sink, in the sound server's order. Exactly one has kind
// "computer" and is enabled: the default sink's, or the first sink's when the
// default is unknown or an AirPlay stream (with only AirPlay streams, none is
// the computer and the first is enabled). Names that repeat get " 2", " 3",
// as MPD refuses two outputs of one name.
QList<SinkOutput> outputsFor(const QList<SoundSink>& sinks);

} // namespace SoundSinkKinds
