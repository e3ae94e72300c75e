#include "musicapp/TrackIdentity.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace TrackIdentity {
namespace {

// The first eight bytes of SHA-256, big-endian: stable across platforms and
// compilers (std::hash and qHash are seeded or may change between versions).
std::uint64_t hash64(const QByteArray& bytes) {
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | static_cast<unsigned char>(digest[i]);
    return value;
}

} // namespace

std::uint64_t trackPersistentID(const QString& relativePath) {
    return hash64("track\x1f" + relativePath.toUtf8());
}

QString hexTrackID(std::uint64_t persistentID) {
    return QStringLiteral("%1").arg(persistentID, 16, 16, QLatin1Char('0')).toUpper();
}

bool parseHexTrackID(const QString& text, std::uint64_t* persistentID) {
    if (text.size() != 16)
        return false;
    std::uint64_t value = 0;
    for (QChar c : text) {
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            digit = c.unicode() - u'a' + 10;
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    if (persistentID)
        *persistentID = value;
    return true;
}

std::uint64_t albumPersistentID(const QString& albumTitle, const QString& albumArtist,
                                const QString& relativeFolder) {
    // The two kinds carry different tags so an artist named like a folder
    // cannot collide with that folder.
    if (!albumTitle.isEmpty() && !albumArtist.isEmpty())
        return hash64("album-artist\x1f" + albumTitle.toUtf8() + '\x1f' + albumArtist.toUtf8());
    return hash64("album-folder\x1f" + albumTitle.toUtf8() + '\x1f' + relativeFolder.toUtf8());
}

QString relativeFolderOf(const QString& relativePath) {
    const qsizetype slash = relativePath.lastIndexOf(u'/');
    return slash < 0 ? QString() : relativePath.left(slash);
}

bool isDiscFolderName(const QString& folderName) {
    static const QRegularExpression disc(QStringLiteral(R"(^\s*(cd|dis[ck])[\s._-]*\d+(\D.*)?$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return disc.match(folderName).hasMatch();
}

QString albumFolderOf(const QString& relativeFolder) {
    if (relativeFolder.isEmpty())
        return relativeFolder;
    const qsizetype slash = relativeFolder.lastIndexOf(u'/');
    if (!isDiscFolderName(relativeFolder.mid(slash + 1)))
        return relativeFolder;
    return slash < 0 ? QString() : relativeFolder.left(slash);
}

} // namespace TrackIdentity
