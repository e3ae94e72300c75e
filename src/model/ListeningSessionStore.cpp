#include "model/ListeningSessionStore.h"

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
    QSettings settings;
    settings.setValue(sessionKey, session.encode());
    settings.sync();
}
