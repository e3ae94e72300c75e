#include "playback/SpeakerList.h"

#include "musicapp/AppleMusicLibrary.h"
#include "platform/NaturalOrder.h"

#include <QSet>

#include <algorithm>

QList<SpeakerOption> buildSpeakerOptions(const QList<MusicAirPlayDevice>& musicDevices,
                                         const QList<AirPlay1Speaker>& legacySpeakers,
                                         const std::optional<SpeakerOutput>& selected) {
    QSet<QString> legacyNames;
    for (const AirPlay1Speaker& speaker : legacySpeakers) {
        legacyNames.insert(speaker.name);
    }
    const QString selectedID = selected ? selected->id() : QString();

    QList<SpeakerOption> options;
    for (const MusicAirPlayDevice& device : musicDevices) {
        if (legacyNames.contains(device.name)) {
            continue;
        }
        SpeakerOutput output = SpeakerOutput::music(device.name, device.kind);
        if (!device.isAvailable && !device.isSelected) {
            continue;
        }
        options.append({std::move(output), device.isAvailable});
    }
    for (const AirPlay1Speaker& speaker : legacySpeakers) {
        options.append({SpeakerOutput::legacy(speaker), true});
    }
    if (selected && std::none_of(options.cbegin(), options.cend(),
                                 [&](const SpeakerOption& o) { return o.id() == selectedID; })) {
        options.append({*selected, false});
    }

    const QCollator collator = naturalOrderCollator();
    std::stable_sort(
        options.begin(), options.end(), [&](const SpeakerOption& a, const SpeakerOption& b) {
            const bool aFirst = a.output.isComputer();
            const bool bFirst = b.output.isComputer();
            if (aFirst != bFirst) {
                return aFirst;
            }
            if (aFirst) {
                return false;
            }
            return collator.compare(a.output.displayName(), b.output.displayName()) < 0;
        });
    return options;
}

QList<SpeakerOption> speakerOptionsOf(const AppleMusicLibrary& library) {
    return buildSpeakerOptions(library.musicDevices(), library.legacySpeakersFound(),
                               library.output());
}
