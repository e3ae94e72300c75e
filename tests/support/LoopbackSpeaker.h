#pragma once

#include "airplay1/AirPlay1Speaker.h"

// A speaker record for a stand-in listening on 127.0.0.1:`port`, as the
// browser would report it.
inline AirPlay1Speaker loopbackSpeaker(const QString& name, quint16 port, bool supportsPCM = true) {
    const QString id = QStringLiteral("AA@") + name;
    return {id,
            name,
            {id, QStringLiteral("_raop._tcp"), QStringLiteral("local"), 1,
             QStringLiteral("127.0.0.1"), port},
            supportsPCM};
}
