#include "musicapp/SoundSinkKinds.h"

#include <QSet>

namespace SoundSinkKinds {

namespace {

QString property(const SoundSink& sink, const char* key) {
    return sink.properties.value(QString::fromLatin1(key));
}

bool isBluetooth(const SoundSink& sink) {
    const QString api = property(sink, "device.api");
    return property(sink, "device.bus") == QLatin1String("bluetooth") ||
           api.startsWith(QLatin1String("bluez")) ||
           sink.properties.contains(QStringLiteral("api.bluez5.address")) ||
           sink.name.startsWith(QLatin1String("bluez_"));
}

// HDMI and DisplayPort show in the port or profile names, whichever the
// sound server fills in.
bool isDisplay(const SoundSink& sink) {
    if (property(sink, "device.form_factor") == QLatin1String("tv")) {
        return true;
    }
    QStringList names = sink.portNames;
    names << sink.name << property(sink, "device.profile.name")
          << property(sink, "device.profile.description");
    for (const QString& name : names) {
        if (name.contains(QLatin1String("hdmi"), Qt::CaseInsensitive) ||
            name.contains(QLatin1String("displayport"), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

bool isHeadphones(const SoundSink& sink) {
    const QString formFactor = property(sink, "device.form_factor");
    if (formFactor == QLatin1String("headphone") || formFactor == QLatin1String("headset") ||
        formFactor == QLatin1String("hands-free")) {
        return true;
    }
    return !sink.portNames.isEmpty() &&
           sink.portNames.first().contains(QLatin1String("headphone"), Qt::CaseInsensitive);
}

} // namespace

bool streamsToAirPlay(const SoundSink& sink) {
    if (sink.name.startsWith(QLatin1String("raop_")) ||
        property(sink, "device.api") == QLatin1String("raop")) {
        return true;
    }
    for (auto it = sink.properties.cbegin(); it != sink.properties.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("raop."))) {
            return true;
        }
    }
    return false;
}

QString kindOf(const SoundSink& sink) {
    if (isBluetooth(sink)) {
        return QStringLiteral("Bluetooth device");
    }
    if (streamsToAirPlay(sink)) {
        return QStringLiteral("AirPlay speaker");
    }
    if (isDisplay(sink)) {
        return QStringLiteral("TV");
    }
    if (isHeadphones(sink)) {
        return QStringLiteral("Headphones");
    }
    if (property(sink, "device.bus") == QLatin1String("usb")) {
        return QStringLiteral("USB audio");
    }
    if (property(sink, "device.class") == QLatin1String("abstract") ||
        property(sink, "device.class") == QLatin1String("filter")) {
        return QStringLiteral("Virtual output");
    }
    return QStringLiteral("Speakers");
}

QString displayName(const SoundSink& sink) {
    if (streamsToAirPlay(sink)) {
        // The service name is "<device id>@<speaker name>"; the speaker's
        // own name is the part after the first "@".
        const QString service = property(sink, "raop.name");
        const qsizetype at = service.indexOf(QLatin1Char('@'));
        if (at >= 0 && at + 1 < service.size()) {
            return service.mid(at + 1);
        }
        if (sink.description.isEmpty() && !service.isEmpty()) {
            return service;
        }
    }
    return sink.description.isEmpty() ? sink.name : sink.description;
}

QList<SinkOutput> outputsFor(const QList<SoundSink>& sinks) {
    qsizetype computerIndex = -1;
    for (qsizetype i = 0; i < sinks.size(); ++i) {
        if (sinks[i].isDefault && !streamsToAirPlay(sinks[i])) {
            computerIndex = i;
        }
    }
    for (qsizetype i = 0; i < sinks.size() && computerIndex < 0; ++i) {
        if (!streamsToAirPlay(sinks[i])) {
            computerIndex = i;
        }
    }
    QList<SinkOutput> outputs;
    QSet<QString> taken;
    for (qsizetype i = 0; i < sinks.size(); ++i) {
        const QString base = displayName(sinks[i]);
        QString name = base;
        for (int n = 2; taken.contains(name); ++n) {
            name = base + QLatin1Char(' ') + QString::number(n);
        }
        taken.insert(name);
        // With nothing but AirPlay streams there is no computer; the first
        // of them plays, so a fresh MPD still has sound.
        const bool isComputer = i == computerIndex;
        const bool enabled = isComputer || (computerIndex < 0 && i == 0);
        outputs.append({name, isComputer ? computer : kindOf(sinks[i]), sinks[i].name, enabled});
    }
    return outputs;
}

} // namespace SoundSinkKinds
