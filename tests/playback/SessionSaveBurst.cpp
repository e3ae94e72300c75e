// Stores listening sessions as fast as it can, each written to the file at
// once, until it is killed: the process a robustness test ends with SIGKILL
// in the middle of a write.
#include "model/ListeningSessionStore.h"
#include "model/SettingsLock.h"
#include "platform/SettingsWriter.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Korvid"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvid"));
    QCoreApplication app(argc, argv);
    // As Korvid's own start does: a writer killed before it lets a lock be.
    removeAbandonedSettingsLock();
    ListeningSessionStore store;
    ListeningSession session;
    session.device = ListeningSession::Device::AirPlay{QStringLiteral("Den")};
    session.albumID = QStringLiteral("apple-7");
    // A long title makes each write take a while, so kills land inside one.
    session.albumTitle = QString(20000, QLatin1Char('t'));
    session.artistNames = QStringLiteral("Band");
    session.updatedAt = QDateTime::currentDateTimeUtc();
    for (qint64 i = 0;; ++i) {
        session.trackIndex = i;
        session.positionSeconds = double(i) / 4;
        store.save(session);
        // As the settings writer does once saves settle, here at each one.
        SettingsWriter::instance().flush();
        if (i == 0) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
