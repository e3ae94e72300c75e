#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Finding an album by typing: every typed word must occur in its title or
// artist names, whatever the case and accents ("sigur ros" finds Sigur Rós).
namespace AlbumSearch {

// Text with accents and other combining marks removed and case folded.
QString folded(QStringView text);
// What an album is found by: its title and artist names, folded.
QString keyOf(const QString& title, const QString& artistNames);
// The folded words of what the user typed; none for blank text.
QStringList wordsOf(const QString& typed);
// Whether every word occurs in the key. No words match every key.
bool matches(QStringView key, const QStringList& words);

} // namespace AlbumSearch
