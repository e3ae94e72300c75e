#pragma once

#include <QString>
#include <QStringList>

// Tags as a real library holds them: mostly one genre per album, with the
// odd track tagged differently and a few tags that match nothing.
inline const QStringList kTagPool{"Alternative Rock",
                                  "Indie Pop",
                                  "Hip-Hop/Rap",
                                  "Jazz",
                                  "Electronica",
                                  "Singer/Songwriter",
                                  "Soundtrack",
                                  "Christmas",
                                  "Pop",
                                  "Modern Classical",
                                  "Post-Rock",
                                  "Chanson française",
                                  "Ambient",
                                  "Metal",
                                  "Other",
                                  "Vocal"};

inline QStringList albumTags(int album) {
    QStringList tags;
    const QString main = kTagPool.at(album % kTagPool.size());
    for (int track = 0; track < 12; ++track) {
        tags << (track % 5 == 4 ? kTagPool.at((album + track) % kTagPool.size()) : main);
    }
    return tags;
}
