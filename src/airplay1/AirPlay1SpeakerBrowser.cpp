#include "airplay1/AirPlay1SpeakerBrowser.h"

#include "platform/NaturalOrder.h"

#include <QCollator>
#include <QPointer>

#include <algorithm>
#include <map>

namespace AirPlay1Txt {

QStringList values(const std::optional<QString>& value) {
    QStringList entries;
    if (!value) {
        return entries;
    }
    for (const QString& piece : value->split(u',', Qt::SkipEmptyParts)) {
        // Only spaces and tabs count as padding here.
        qsizetype begin = 0;
        qsizetype end = piece.size();
        while (begin < end && (piece[begin] == u' ' || piece[begin] == u'\t')) {
            ++begin;
        }
        while (end > begin && (piece[end - 1] == u' ' || piece[end - 1] == u'\t')) {
            --end;
        }
        entries << piece.mid(begin, end - begin);
    }
    return entries;
}

namespace {
std::optional<QString> entry(const QHash<QString, QString>& txt, const QString& key) {
    const auto it = txt.constFind(key);
    return it == txt.cend() ? std::nullopt : std::optional<QString>(*it);
}
} // namespace

bool canStream(const QHash<QString, QString>& txt) {
    if (const auto pw = entry(txt, QStringLiteral("pw")); pw && pw->toLower() == u"true") {
        return false;
    }
    const QStringList encryption = values(entry(txt, QStringLiteral("et")));
    if (!encryption.isEmpty() && !encryption.contains(QStringLiteral("0"))) {
        return false;
    }
    const auto transport = entry(txt, QStringLiteral("tp"));
    return !transport || transport->toUpper().contains(QStringLiteral("UDP"));
}

bool supportsPCM(const QHash<QString, QString>& txt) {
    return values(entry(txt, QStringLiteral("cn"))).contains(QStringLiteral("0"));
}

QString displayName(const QString& serviceName) {
    const qsizetype at = serviceName.indexOf(u'@');
    QStringList pieces;
    if (at < 0) {
        pieces << serviceName;
    } else {
        pieces << serviceName.left(at) << serviceName.mid(at + 1);
    }
    pieces.removeAll(QString());
    return pieces.isEmpty() ? serviceName : pieces.last();
}

} // namespace AirPlay1Txt

AirPlay1SpeakerBrowser::AirPlay1SpeakerBrowser(std::shared_ptr<ServiceBrowsing> browsing,
                                               QObject* parent)
    : QObject(parent)
    , browsing_(std::move(browsing)) {}

AirPlay1SpeakerBrowser::~AirPlay1SpeakerBrowser() = default;

void AirPlay1SpeakerBrowser::start() {
    if (raopBrowser_) {
        return;
    }
    if (!browsing_) {
        browsing_ = ServiceBrowsing::avahi();
    }
    QPointer<AirPlay1SpeakerBrowser> self(this);
    raopBrowser_ = browsing_->browse(QStringLiteral("_raop._tcp"), true,
                                     [self](const QList<BrowseResult>& results) {
                                         if (!self) {
                                             return;
                                         }
                                         self->raopResults_ = results;
                                         self->rebuild();
                                     });
    airPlay2Browser_ = browsing_->browse(QStringLiteral("_airplay._tcp"), false,
                                         [self](const QList<BrowseResult>& results) {
                                             if (!self) {
                                                 return;
                                             }
                                             QSet<QString> names;
                                             for (const BrowseResult& result : results) {
                                                 names.insert(result.endpoint.name);
                                             }
                                             self->airPlay2Names_ = names;
                                             self->rebuild();
                                         });
}

void AirPlay1SpeakerBrowser::rebuild() {
    std::map<QString, AirPlay1Speaker> byName;
    for (const BrowseResult& result : raopResults_) {
        const QString& serviceName = result.endpoint.name;
        if (serviceName.isEmpty() || byName.count(serviceName) > 0) {
            continue; // one receiver seen on several interfaces: first wins
        }
        const QHash<QString, QString> txt = result.txt.value_or(QHash<QString, QString>());
        const QString name = AirPlay1Txt::displayName(serviceName);
        if (airPlay2Names_.contains(name) || !AirPlay1Txt::canStream(txt)) {
            continue; // newer devices are reached by the music player itself
        }
        byName.emplace(serviceName, AirPlay1Speaker{serviceName, name, result.endpoint,
                                                    AirPlay1Txt::supportsPCM(txt)});
    }
    QList<AirPlay1Speaker> sorted;
    sorted.reserve(qsizetype(byName.size()));
    for (auto& [serviceName, speaker] : byName) {
        sorted.append(std::move(speaker));
    }
    const QCollator collator = naturalOrderCollator();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&collator](const AirPlay1Speaker& a, const AirPlay1Speaker& b) {
                         return collator.compare(a.name, b.name) < 0;
                     });
    if (sorted != speakers_) {
        speakers_ = std::move(sorted);
        Q_EMIT speakersChanged();
    }
}
