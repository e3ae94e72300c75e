// TXT records and service names straight from the network: the rules must
// hold their promises and the speaker list must stay sorted and unique.
#include "airplay1/AirPlay1SpeakerBrowser.h"

#include <QCollator>
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {
class ScriptedBrowsing : public ServiceBrowsing {
public:
    std::unique_ptr<Browser> browse(const QString& type, bool, ResultsHandler handler) override {
        handlers[type] = std::move(handler);
        return std::make_unique<Browser>();
    }
    std::map<QString, ResultsHandler> handlers;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList records = text.split(u'\x1e'); // one TXT record per part

    QList<BrowseResult> raop;
    QList<BrowseResult> airplay;
    for (const QString& record : records) {
        const QStringList lines = record.split(u'\n');
        QHash<QString, QString> txt;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype eq = lines[i].indexOf(u'=');
            txt.insert(eq < 0 ? lines[i] : lines[i].left(eq),
                       eq < 0 ? QString() : lines[i].mid(eq + 1));
        }
        const QString name = lines.first();
        const QStringList cn =
            AirPlay1Txt::values(txt.contains("cn") ? std::optional(txt["cn"]) : std::nullopt);
        if (AirPlay1Txt::supportsPCM(txt) != cn.contains(QStringLiteral("0"))) {
            std::abort();
        }
        if (AirPlay1Txt::canStream(txt) && txt.value("pw").toLower() == u"true") {
            std::abort();
        }
        const QString shown = AirPlay1Txt::displayName(name);
        if (!name.isEmpty() && (shown.isEmpty() || !name.contains(shown))) {
            std::abort();
        }
        raop.append({ServiceEndpoint{name, "_raop._tcp", "local", 1, "127.0.0.1", 7000}, txt});
        if (name.startsWith(u'!')) {
            airplay.append(
                {ServiceEndpoint{shown, "_airplay._tcp", "local", 1, {}, 0}, std::nullopt});
        }
    }

    auto browsing = std::make_shared<ScriptedBrowsing>();
    AirPlay1SpeakerBrowser browser(browsing);
    browser.start();
    browsing->handlers["_raop._tcp"](raop);
    browsing->handlers["_airplay._tcp"](airplay);
    const QList<AirPlay1Speaker> speakers = browser.speakers();
    // A result that is left out does not hold its name: a later result of
    // the same name may still be listed.
    QSet<QString> streamable;
    for (const BrowseResult& result : raop) {
        if (AirPlay1Txt::canStream(result.txt.value_or(QHash<QString, QString>()))) {
            streamable.insert(result.endpoint.name);
        }
    }
    QSet<QString> hidden;
    for (const BrowseResult& result : airplay) {
        hidden.insert(result.endpoint.name);
    }
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QSet<QString> ids;
    for (qsizetype i = 0; i < speakers.size(); ++i) {
        const AirPlay1Speaker& speaker = speakers[i];
        if (ids.contains(speaker.id) || !streamable.contains(speaker.id) ||
            hidden.contains(speaker.name) ||
            (i > 0 && collator.compare(speakers[i - 1].name, speaker.name) > 0)) {
            std::abort();
        }
        ids.insert(speaker.id);
    }
    return 0;
}
