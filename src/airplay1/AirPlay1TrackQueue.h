#pragma once

#include "airplay1/Preload.h"
#include "airplay1/TrackDecoder.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <memory>
#include <optional>

// Joins a list of local tracks into one gapless PCM stream handed out in
// fixed-size blocks, skipping files that cannot be opened and padding only
// the very last block with silence. Not locked: a decoding feed's thread
// (or one test) owns it. Reading and opening files block here, never in the
// sender.
class AirPlay1TrackQueue {
public:
    // `decoder` is the already opened track at `decodingIndex`;
    // `playingFrames` is where in that track playback starts.
    AirPlay1TrackQueue(QList<QUrl> urls, std::unique_ptr<TrackDecoder> decoder, int decodingIndex,
                       int playingIndex, qint64 playingFrames,
                       std::shared_ptr<PcmReaderFactory> factory = nullptr);
    ~AirPlay1TrackQueue();
    AirPlay1TrackQueue(const AirPlay1TrackQueue&) = delete;
    AirPlay1TrackQueue& operator=(const AirPlay1TrackQueue&) = delete;

    // Starts opening the track after the one being decoded, if any.
    void preloadNext();

    // Exactly `count` frames (count * 4 bytes), or nothing once everything
    // has been handed out.
    std::optional<QByteArray> nextFrames(int count);

    // Stops all decoding; afterwards nextFrames answers nothing.
    void close();

    // Track of the last handed-out block, and frames of it handed out so far.
    int playingIndex() const { return playingIndex_; }
    qint64 playingFrames() const { return playingFrames_; }
    int decodingIndex() const { return decodingIndex_; }
    const QList<QUrl>& urls() const { return urls_; }

private:
    struct TrackStart {
        qsizetype offset;
        int index;
    };

    bool advanceToNextTrack();

    QList<QUrl> urls_;
    std::shared_ptr<PcmReaderFactory> factory_;
    std::unique_ptr<TrackDecoder> decoder_;
    int decodingIndex_;
    std::unique_ptr<Preload> preloaded_;
    QByteArray pending_;
    QList<TrackStart> pendingTrackStarts_;
    int playingIndex_;
    qint64 playingFrames_;
    bool closed_ = false;
};
