#include "model/Changelog.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace Changelog {
namespace {

using Kind = Change::Kind;

struct ReleaseText {
    const char* version;
    const char* title;
    const char* date;
    QList<Change> changes;
};

Change change(Kind kind, const char* text) {
    return Change{kind, QString::fromUtf8(text)};
}

QList<Release> buildReleases() {
    const QList<ReleaseText> table{
        {"1.2.1",
         "Spotify history fix",
         "2026-10-23",
         {change(Kind::fixed,
                 "Spotify albums you've played stay in Recently Played after you quit and reopen "
                 "Korvid, including in the download from the website.")}},
        {"1.2.0",
         "Menu bar and auto-pause",
         "2026-10-22",
         {change(Kind::new_,
                 "Korvid is now in the Mac menu bar, with play/pause, skip and volume, your last "
                 "three albums, and three more from the same genre."),
          change(Kind::new_,
                 "On the Mac, music pauses while a microphone is in use, for dictation or a call "
                 "(even one in another user account), and picks back up when the microphone is "
                 "off."),
          change(Kind::new_, "A slider in the Mac toolbar makes album covers bigger or smaller."),
          change(Kind::new_, "Settings shows the app's version and this list of what's new.")}},
        {"1.1.0",
         "Better genres",
         "2026-10-22",
         {change(Kind::improved,
                 "Genres now follow the genre tags in your Music library, with 17 to choose from, "
                 "including Soundtrack, Post-Rock, Chanson, Chill & Ambient and Modern "
                 "Classical."),
          change(Kind::improved,
                 "Genres are sorted by how many albums they have. Kids and Comedy & Spoken come "
                 "last and are left out of the Discover shuffle."),
          change(Kind::improved,
                 "An album's genre now comes from most of its tracks, not just the first one."),
          change(Kind::fixed,
                 "Compilations without an album artist show \u201cVarious Artists\u201d.")}},
        {"1.0.0",
         "First version",
         "2026-10-22",
         {change(Kind::new_,
                 "Browse your albums from Spotify, your Apple Music library, or both mixed "
                 "together."),
          change(Kind::new_,
                 "Home shows what you played recently and a Discover selection you can filter by "
                 "genre or shuffle."),
          change(Kind::new_,
                 "Play to the speakers on your network. On the Mac that includes Apple TVs and "
                 "HomePods, and older AirPlay 1 speakers like a Bose SoundTouch, marked "
                 "\u201cLegacy\u201d."),
          change(Kind::new_, "The volume slider sets the volume of the speaker that's playing."),
          change(Kind::new_,
                 "When you open Korvid, it offers to pick up where you left off, on the speaker "
                 "you were using."),
          change(Kind::new_,
                 "On the Mac, Korvid picks up music that's already playing in the Music app."),
          change(Kind::new_,
                 "Use Korvid with just your Apple Music library, without a Spotify account."),
          change(Kind::new_,
                 "Choose whether album covers show their title and artist, and hide albums with "
                 "only a few tracks.")}},
    };

    QList<Release> result;
    for (const auto& entry : table) {
        result.append(Release{QString::fromUtf8(entry.version), QString::fromUtf8(entry.title),
                              releaseDate(QString::fromUtf8(entry.date)), entry.changes});
    }
    return result;
}

} // namespace

const QList<Release>& releases() {
    static const QList<Release> list = buildReleases();
    return list;
}

QString pillLabel(Change::Kind kind) {
    switch (kind) {
    case Kind::new_:
        return QStringLiteral("New");
    case Kind::improved:
        return QStringLiteral("Improved");
    case Kind::fixed:
        return QStringLiteral("Fixed");
    }
    return {};
}

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
}

QDateTime releaseDate(const QString& yearMonthDay) {
    QList<int> numbers;
    for (const auto& piece : yearMonthDay.split(QLatin1Char('-'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int value = piece.toInt(&ok, 10);
        if (ok) {
            numbers.append(value);
        }
    }
    if (numbers.size() < 3) {
        return distantPast();
    }
    const QDate day(numbers[0], numbers[1], numbers[2]);
    if (!day.isValid()) {
        return distantPast();
    }
    return day.startOfDay();
}

QString longDateText(const QDateTime& date, const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    // Drop the weekday and whatever separates it from the rest.
    static const QRegularExpression weekday(QStringLiteral("d{4}[^dMy]*"));
    format.remove(weekday);
    return locale.toString(date.date(), format.trimmed());
}

} // namespace Changelog
