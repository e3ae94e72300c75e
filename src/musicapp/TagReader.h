#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// What the library keeps of one song's tags and stream.
struct TrackTags {
    QString title;
    QString album;
    QString artist;
    QString albumArtist;
    QString genre;
    bool compilation = false;
    int discNumber = 0;
    int trackNumber = 0;
    qint64 durationMs = 0;
    bool hasPicture = false;

    bool operator==(const TrackTags&) const = default;
};

// Reads tags and embedded pictures of audio files. One reader may be used
// from several threads at once.
class TagReader {
public:
    virtual ~TagReader() = default;
    // Absent when the file is not a song this library plays: unreadable,
    // malformed, no audio stream, or a video.
    virtual std::optional<TrackTags> readTags(const QString& path) const = 0;
    // The bytes of the first embedded picture (front cover preferred); empty
    // when there is none.
    virtual QByteArray readPicture(const QString& path) const = 0;
};

// The reader over TagLib.
std::shared_ptr<TagReader> makeTagLibReader();

// Whether a file name has one of the extensions the scanner looks into.
bool hasAudioFileExtension(const QString& fileName);
