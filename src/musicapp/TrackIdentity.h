#pragma once

#include <QString>

#include <cstdint>

// Persistent ids of the local library. A track is known by its path relative
// to the music folder, so the id survives rescans, moves of the whole folder
// and a fresh index; an album by its title and album artist (or, without an
// album artist, by the folder its files sit in).
namespace TrackIdentity {

// Stable 64-bit hash of a path relative to the music folder ('/'-separated,
// no leading slash). The same path always gives the same number, on every
// machine and in every version.
std::uint64_t trackPersistentID(const QString& relativePath);

// The id as the music player and the playback handle write it: exactly 16
// upper-case hexadecimal digits, zero-padded.
QString hexTrackID(std::uint64_t persistentID);

// Parses the 16-digit form back; false when the text is not exactly that.
bool parseHexTrackID(const QString& text, std::uint64_t* persistentID);

// The album's persistent id. With an album artist the album is its title plus
// that artist, wherever its files lie; without one (or without a title) it is
// the title plus the folder holding the album (see albumFolderOf), so untagged
// folders do not merge.
std::uint64_t albumPersistentID(const QString& albumTitle, const QString& albumArtist,
                                const QString& relativeFolder);

// The folder part of a relative path ("" for a file at the top).
QString relativeFolderOf(const QString& relativePath);

// Whether a folder of that name holds one disc of an album ("CD1",
// "Disc 2", "disk 03 - Bonus").
bool isDiscFolderName(const QString& folderName);

// The folder an album lies in, for a folder of its files: the one above
// when that is a disc folder, so the discs of an album without an album
// artist stay one album (and its cover may lie there).
QString albumFolderOf(const QString& relativeFolder);

} // namespace TrackIdentity
