#include "model/ListeningSessionStore.h"
#include "platform/SettingsWriter.h"

#include <QSettings>

namespace {
const QString sessionKey = QStringLiteral("lastListeningSession");
}

ListeningSessionStore::ListeningSessionStore() {
    const QVariant stored = QSettings().value(sessionKey);
    if (stored.isValid())
        previousLaunch_ = ListeningSession::decode(stored.toByteArray());
}

void ListeningSessionStore::save(const ListeningSession& session) {
    // A record that cannot be encoded leaves the stored one as it was.
    const auto encoded = session.encode();
    if (!encoded)
        return;
    // Saved every few seconds while playing: the file follows within a bound.
    SettingsWriter::instance().writeEventually(sessionKey, *encoded);
}
