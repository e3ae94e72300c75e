#pragma once

#include <QString>
#include <QStringList>

// Pictures kept beside the songs ("cover.jpg", "Folder.png", ...), the way
// many music folders hold their artwork. Pure rules over file names.
namespace FolderCover {

// Whether the name ends in one of the picture extensions looked at (jpg,
// jpeg, png, webp, gif, bmp), in any case.
bool isImageFileName(const QString& fileName);

// The picture among `fileNames` (names within one folder) that is the
// album's cover; empty when none is. Names are compared without regard to
// case: cover, folder, front, album, albumart in that order, then any other
// picture whose name holds "cover" or "front". Ties go to the extension
// listed first above, then to the first name alphabetically.
QString choose(const QStringList& fileNames);

} // namespace FolderCover
