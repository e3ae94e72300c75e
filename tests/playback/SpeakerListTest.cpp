#include "playback/SpeakerList.h"

#include <gtest/gtest.h>

namespace {

AirPlay1Speaker legacySpeaker(const QString& name) {
    AirPlay1Speaker speaker;
    speaker.id = QStringLiteral("0011223344AA@") + name;
    speaker.name = name;
    speaker.endpoint.name = speaker.id;
    return speaker;
}

MusicAirPlayDevice device(const QString& name, const QString& kind, bool available,
                          bool selected = false) {
    return {name, kind, available, selected, 50};
}

// "id available" per row, in list order.
QStringList rows(const QList<SpeakerOption>& options) {
    QStringList result;
    for (const SpeakerOption& option : options) {
        result << option.id() + (option.isAvailable ? "" : " (unavailable)");
    }
    return result;
}

TEST(SpeakerListTest, MergesFiltersAndOrdersTheTwoFamilies) {
    struct Case {
        const char* label;
        QList<MusicAirPlayDevice> devices;
        QList<AirPlay1Speaker> speakers;
        std::optional<SpeakerOutput> selected;
        QStringList expected;
    };
    const Case cases[] = {
        {"the computer first, then natural order across both families",
         {device("speaker 10", "Pipe", true), device("Zebra", "computer", true),
          device("Speaker 2", "HTTP stream", true)},
         {legacySpeaker("bose"), legacySpeaker("Speaker 9")},
         std::nullopt,
         {"music:Zebra", "legacy:0011223344AA@bose", "music:Speaker 2",
          "legacy:0011223344AA@Speaker 9", "music:speaker 10"}},
        {"a player output named like a legacy speaker is listed once, as legacy",
         {device("Kitchen", "Pipe", true), device("Desk", "computer", true)},
         {legacySpeaker("Kitchen")},
         std::nullopt,
         {"music:Desk", "legacy:0011223344AA@Kitchen"}},
        {"unavailable outputs show only while selected",
         {device("Gone", "Pipe", false), device("Chosen", "Pipe", false, true),
          device("Here", "Pipe", true)},
         {},
         SpeakerOutput::music("Chosen", "Pipe"),
         {"music:Chosen (unavailable)", "music:Here"}},
        {"a selected legacy speaker that left the network stays, unavailable",
         {device("Desk", "computer", true)},
         {},
         SpeakerOutput::legacy(legacySpeaker("Attic")),
         {"music:Desk", "legacy:0011223344AA@Attic (unavailable)"}},
        {"the selection already listed is not added again",
         {device("Desk", "computer", true)},
         {legacySpeaker("Attic")},
         SpeakerOutput::legacy(legacySpeaker("Attic")),
         {"music:Desk", "legacy:0011223344AA@Attic"}},
        {"equal names keep their order",
         {device("Twin", "Pipe", true, false), device("twin", "HTTP stream", true)},
         {legacySpeaker("TWIN")},
         std::nullopt,
         {"music:Twin", "music:twin", "legacy:0011223344AA@TWIN"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rows(buildSpeakerOptions(c.devices, c.speakers, c.selected)), c.expected)
            << c.label << "\n got: "
            << rows(buildSpeakerOptions(c.devices, c.speakers, c.selected))
                   .join(" | ")
                   .toStdString();
    }
}

TEST(SpeakerListTest, OutputsAreTheirIdsAndDrawTheirKinds) {
    AirPlay1Speaker moved = legacySpeaker("Kitchen");
    moved.endpoint.host = "127.0.0.9";
    EXPECT_EQ(SpeakerOutput::legacy(legacySpeaker("Kitchen")), SpeakerOutput::legacy(moved));
    EXPECT_EQ(SpeakerOutput::music("A", "computer"), SpeakerOutput::music("A", "TV"));
    EXPECT_FALSE(SpeakerOutput::music("Kitchen", "Pipe") ==
                 SpeakerOutput::legacy(legacySpeaker("Kitchen")));

    const SpeakerOption on{SpeakerOutput::music("A", "TV"), true};
    const SpeakerOption off{SpeakerOutput::music("A", "TV"), false};
    EXPECT_EQ(on.id(), off.id());
    EXPECT_FALSE(on == off);

    const std::pair<SpeakerOutput, const char*> symbols[] = {
        {SpeakerOutput::legacy(legacySpeaker("x")), "hifispeaker.fill"},
        {SpeakerOutput::music("x", "computer"), "laptopcomputer"},
        {SpeakerOutput::music("x", "Apple TV"), "appletv.fill"},
        {SpeakerOutput::music("x", "TV"), "tv"},
        {SpeakerOutput::music("x", "HomePod"), "homepod.fill"},
        {SpeakerOutput::music("x", "Bluetooth device"), "headphones"},
        {SpeakerOutput::music("x", "AirPort Express"), "airport.express"},
        {SpeakerOutput::music("x", "tv"), "hifispeaker.fill"},
        {SpeakerOutput::music("x", "HTTP stream"), "hifispeaker.fill"},
    };
    for (const auto& [output, symbol] : symbols) {
        EXPECT_EQ(output.systemImage(), QString::fromLatin1(symbol)) << output.id().toStdString();
    }
    EXPECT_EQ(SpeakerOutput::music("Built-in Audio", "computer").displayName(), "This Computer");
    EXPECT_EQ(SpeakerOutput::legacy(legacySpeaker("Attic")).displayName(), "Attic");
}

} // namespace
