#include "airplay1/AirPlay1SpeakerBrowser.h"

#include "support/LocalAvahi.h"
#include "support/RunTask.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

namespace {

using Txt = QHash<QString, QString>;

QStringList names(const QList<AirPlay1Speaker>& speakers) {
    QStringList out;
    for (const auto& speaker : speakers) {
        out << speaker.name;
    }
    return out;
}

TEST(AirPlay1TxtRules, DecideWhoCanBeStreamedTo) {
    struct Case {
        Txt txt;
        bool canStream;
        bool pcm;
    };
    // More of the rules are met through the daemon in FollowsAnnouncements.
    const Case cases[] = {
        {{}, true, false},
        {{{"pw", "true"}}, false, false},
        {{{"et", " 3 , 0 "}}, true, false},
        {{{"tp", "TCP,UDP"}}, true, false},
        {{{"tp", "udp"}}, true, false},
        {{{"cn", "1,\t0"}, {"et", "0"}, {"tp", "UDP"}}, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AirPlay1Txt::canStream(c.txt), c.canStream)
            << c.txt.keys().join(',').toStdString();
        EXPECT_EQ(AirPlay1Txt::supportsPCM(c.txt), c.pcm) << c.txt.values().join(',').toStdString();
    }
    EXPECT_EQ(AirPlay1Txt::values(QStringLiteral("0,1, 2")), QStringList({"0", "1", "2"}));
    // Empty pieces go before trimming, so padding alone leaves one empty entry.
    EXPECT_EQ(AirPlay1Txt::values(QStringLiteral(",,\t,")), QStringList({QString()}));
    EXPECT_TRUE(AirPlay1Txt::values(std::nullopt).isEmpty());

    const std::pair<const char*, const char*> display[] = {
        {"0011223344AA@Kitchen", "Kitchen"},
        {"Kitchen", "Kitchen"},
        {"AA@B@C", "B@C"},
        {"@Hall", "Hall"},
        {"AA@", "AA"},
        {"@", "@"},
    };
    for (const auto& [service, shown] : display) {
        EXPECT_EQ(AirPlay1Txt::displayName(QString::fromUtf8(service)), QString::fromUtf8(shown));
    }
}

// Waits until the browser lists exactly `expected` (by display name).
bool listsExactly(AirPlay1SpeakerBrowser& browser, const QStringList& expected,
                  std::chrono::milliseconds timeout = std::chrono::seconds(8)) {
    return waitUntil([&] { return names(browser.speakers()) == expected; }, timeout);
}

TEST(AirPlay1SpeakerBrowserOnAvahi, FollowsAnnouncementsOnLoopback) {
    KORVID_REQUIRE_LOCAL_AVAHI();
    LocalAvahi& avahi = *LocalAvahi::instance();
    const QString raopType = QStringLiteral("_raop._tcp");
    auto published = avahi.publishAll({
        {"0011223344A1@Speaker 10", raopType, 7000, {"cn=0,1,2,3", "et=0,3,5", "tp=UDP"}},
        {"0011223344A2@Speaker 9", raopType, 7000, {"pw=false", "cn=1", "et="}},
        {"0011223344A3@Locked", raopType, 7000, {"pw=TRUE"}},
        {"0011223344A4@Encrypted", raopType, 7000, {"et=1"}},
        {"0011223344A5@Tcp Only", raopType, 7000, {"tp=TCP"}},
        {"0011223344A6@Plain", raopType, 7000, {}},
        {"0011223344A7@Living Room", raopType, 7000, {"cn=0"}},
        {"Living Room", "_airplay._tcp", 7000, {}},
    });
    ASSERT_EQ(published.size(), 8u);

    AirPlay1SpeakerBrowser browser;
    browser.start();
    ASSERT_TRUE(listsExactly(browser, {"Plain", "Speaker 9", "Speaker 10"}))
        << names(browser.speakers()).join(", ").toStdString();
    const auto& speakers = browser.speakers();
    EXPECT_FALSE(speakers[0].supportsPCM);
    EXPECT_FALSE(speakers[1].supportsPCM);
    EXPECT_TRUE(speakers[2].supportsPCM);
    EXPECT_EQ(speakers[2].id, "0011223344A1@Speaker 10");
    EXPECT_EQ(speakers[2].endpoint.host, "127.0.0.1");
    EXPECT_EQ(speakers[2].endpoint.port, 7000);

    // The newer device leaves: its legacy announcement is listed.
    published.back()->stop();
    EXPECT_TRUE(listsExactly(browser, {"Living Room", "Plain", "Speaker 9", "Speaker 10"}))
        << names(browser.speakers()).join(", ").toStdString();
    // A speaker whose announcement goes leaves the list; back on another
    // port, it keeps its id.
    published.front()->kill();
    EXPECT_TRUE(listsExactly(browser, {"Living Room", "Plain", "Speaker 9"}))
        << names(browser.speakers()).join(", ").toStdString();
    published.front() = avahi.publish("0011223344A1@Speaker 10", raopType, 7001);
    ASSERT_TRUE(published.front());
    ASSERT_TRUE(listsExactly(browser, {"Living Room", "Plain", "Speaker 9", "Speaker 10"}));
    EXPECT_EQ(browser.speakers().last().id, "0011223344A1@Speaker 10");
    EXPECT_EQ(browser.speakers().last().endpoint.port, 7001);
}

// The daemon restarts (as an update would): the browser starts over, and
// finds what is announced to the new daemon, resolving again what that one
// refused to resolve while it was short of room.
TEST(AirPlay1SpeakerBrowserOnAvahi, StartsOverWhenTheDaemonRestartsAndResolvesAgain) {
    KORVID_REQUIRE_LOCAL_AVAHI();
    LocalAvahi& avahi = *LocalAvahi::instance();
    const QString raopType = QStringLiteral("_raop._tcp");
    AirPlay1SpeakerBrowser browser;
    browser.start();
    auto kitchen = avahi.publish(QStringLiteral("0011223344D1@Kitchen"), raopType, 7000);
    ASSERT_TRUE(kitchen);
    ASSERT_TRUE(listsExactly(browser, {"Kitchen"}));

    // Its announcement ends with the daemon, and nobody announces it again.
    // Room for our two browsers and one resolver: the second resolve is
    // refused until the first resolver goes.
    QString whyNot;
    if (!avahi.restartDaemon(&whyNot, "objects-per-client-max=3\n")) {
        KORVID_PEER_MISSING(whyNot.toStdString());
    }
    const auto restore = qScopeGuard([&] { avahi.restartDaemon(&whyNot); });
    EXPECT_TRUE(listsExactly(browser, {})) << names(browser.speakers()).join(", ").toStdString();

    auto published = avahi.publishAll(
        {{"0011223344B1@One", raopType, 7000, {}}, {"0011223344B2@Two", raopType, 7000, {}}});
    ASSERT_EQ(published.size(), 2u);
    ASSERT_TRUE(waitUntil([&] { return browser.speakers().size() == 1; }, std::chrono::seconds(8)));
    const bool oneFirst = browser.speakers().first().name == u"One";
    published.at(oneFirst ? 0 : 1)->stop();
    const QString other = oneFirst ? QStringLiteral("Two") : QStringLiteral("One");
    EXPECT_TRUE(listsExactly(browser, {other}, std::chrono::seconds(20)))
        << names(browser.speakers()).join(", ").toStdString();
}

} // namespace
