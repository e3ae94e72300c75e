// Stored history and session records, and audio files with their tags, may
// hold anything: nothing may crash the readers, and a record they accept must
// read back the same after writing it again.
#include "model/ListeningSession.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/EmbeddedArtwork.h"
#include "musicapp/TagReader.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {

const char* const extensions[] = {"flac", "mp3", "m4a", "ogg", "opus", "wav", "aiff"};

QString scratchFile(const char* extension) {
    static const QString folder = [] {
        const QString path =
            QDir::temp().filePath(QStringLiteral("korvid-fuzz-library-%1").arg(getpid()));
        QDir().mkpath(path);
        return path;
    }();
    return folder + QStringLiteral("/input.") + QLatin1String(extension);
}

void readAsAudio(const QByteArray& bytes, const char* extension) {
    static const auto reader = makeTagLibReader();
    const QString path = scratchFile(extension);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        file.write(bytes);
    }
    (void)reader->readTags(path);
    EmbeddedArtwork artwork(path, reader);
    (void)artwork.image(QSize(64, 64));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0:
        if (const auto entries = PlayHistoryStore::decodeEntries(bytes)) {
            if (PlayHistoryStore::decodeEntries(PlayHistoryStore::encodeEntries(*entries)) !=
                entries)
                std::abort();
        }
        break;
    case 1:
        if (const auto dates = PlayHistoryStore::decodePlayDates(bytes)) {
            if (PlayHistoryStore::decodePlayDates(PlayHistoryStore::encodePlayDates(*dates)) !=
                dates)
                std::abort();
        }
        break;
    case 2:
        if (const auto session = ListeningSession::decode(bytes)) {
            // Whatever decodes has a finite position, so it must encode again.
            const auto encoded = session->encode();
            if (!encoded || ListeningSession::decode(*encoded) != session)
                std::abort();
        }
        break;
    default:
        readAsAudio(bytes, extensions[(data[0] / 4) % std::size(extensions)]);
        break;
    }
    return 0;
}
