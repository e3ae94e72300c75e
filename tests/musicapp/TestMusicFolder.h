#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

// A song of the test library: a fifth of a second of a sine tone in the given
// codec, with tags, optionally an embedded cover or a video track.
struct TestSong {
    QString path;      // relative to the folder
    QStringList codec; // ffmpeg output options, e.g. {"-c:a", "flac"}
    QList<QPair<QString, QString>> tags;
    bool cover = false;
    bool video = false;
};

// Writes the song below `folder`; false (with ffmpeg's complaint on stderr)
// when ffmpeg failed.
bool makeSong(const QString& folder, const TestSong& song);
// Writes a picture of one colour, in the format its name says, making the
// folders on the way: a cover kept beside the songs.
bool writePicture(const QString& path, QRgb colour, QSize size = QSize(200, 200));
// Replaces the first occurrence of `from` by `to` (same length) inside a file.
bool patchBytes(const QString& file, const QByteArray& from, const QByteArray& to);
// Sets a file's modification time `seconds` into the future, so a rescan
// sees it as changed even within the same second.
void touchLater(const QString& file, int seconds);
// Copies a folder tree, keeping modification times.
bool copyTree(const QString& from, const QString& to);
