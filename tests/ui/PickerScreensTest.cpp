// The speaker sheet and Settings over a real MPD, shairport-sync speakers and
// a real Secret Service, and the Spotify device picker over the stand-in,
// used as a person does.
#include "LocalWindowFixture.h"
#include "spotify/LocalKeyring.h"
#include "spotify/SpotifyFixture.h"
#include "support/FakeServiceBrowsing.h"
#include "support/QuickView.h"

#include "platform/SecretServiceKeychain.h"
#include "ui/DeviceListModel.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QSize kScreen(1280, 800);

// A property of the item named `name`; rows are named after their outputs,
// in any script. Invalid when there is no such item.
QVariant shownIn(const QuickView& view, const QString& name, const char* property) {
    QObject* item = view.find(name);
    return item ? item->property(property) : QVariant();
}

// Settings with its speaker sheet, in the window over the local player's fixture.
class SpeakerScreens : public LocalWindowTest {
protected:
    void showSettings(std::unique_ptr<AppleMusicLibrary> made) {
        ASSERT_NO_FATAL_FAILURE(show(MusicSource::appleMusic, std::move(made)));
        view.click("tabSettings");
    }
    // No music player, and browsing sees nothing: a speaker another test
    // announces on the shared avahi-daemon would end the wait for speakers.
    void showWithoutAPlayer() {
        showSettings(makeLibrary({MpdAddress{home.filePath("no-mpd.socket"), 0}},
                                 std::make_shared<FakeServiceBrowsing>()));
    }
    using LocalWindowTest::textOf;
    QVariant shown(const QString& name, const char* property) {
        return shownIn(view, name, property);
    }
    QString textOf(const QString& name) { return shown(name, "text").toString(); }
    bool shows(const QString& name) { return shown(name, "visible").toBool(); }
    double opacityOf(const QString& name) { return shown(name, "opacity").toDouble(); }
    void openSheet() {
        view.click("speakerRow");
        ASSERT_TRUE(waitUntil([&] { return view.visible("speakerList"); }));
    }
};

TEST_F(SpeakerScreens, WithoutAMusicPlayerTheSheetLooksForThreeSecondsAndSaysWhy) {
    showWithoutAPlayer();
    EXPECT_EQ(textOf("selectedSpeaker"), "None Selected");
    EXPECT_EQ(speakers->buttonSymbol(), "airplayaudio");
    openSheet();
    EXPECT_EQ(textOf("speakerEmptyText"), "Looking for speakers\u2026");

    ASSERT_TRUE(waitUntil([&] { return view.visible("speakerAccessProblem"); }, 10s));
    EXPECT_EQ(textOf("speakerAccessProblemText"),
              "The music player couldn't be opened. Install mpd and try again.");
    QTest::qWait(50);
    clock.advance(2900ms);
    QTest::qWait(50);
    EXPECT_EQ(textOf("speakerEmptyText"), "Looking for speakers\u2026");
    clock.advance(200ms);
    EXPECT_TRUE(waitUntil([&] { return textOf("speakerEmptyText") == "No speakers found"; }));
    EXPECT_TRUE(view.saveScreen("speaker-picker-empty"));

    // Opening again looks again, and closing stops the wait.
    view.click("speakerPickerDone");
    ASSERT_TRUE(waitUntil([&] { return !view.visible("speakerList"); }));
    openSheet();
    EXPECT_EQ(textOf("speakerEmptyText"), "Looking for speakers\u2026");
    view.click("speakerPickerDone");
    QTest::qWait(300);
    clock.advance(5s);
    QTest::qWait(50);
    EXPECT_FALSE(speakers->hasSearched());
}

TEST_F(SpeakerScreens, RowsMarkLegacySpeakersAndTheChoiceAndALegacyRowPlaysThere) {
    QString whyNot;
    if (!LocalAvahi::instance(&whyNot))
        KORVID_PEER_MISSING(whyNot.toStdString());
    ShairportSpeaker den(QStringLiteral("Den"));
    auto made = makeLibrary();
    const auto speaker = startSpeaker(den, *made);
    ASSERT_TRUE(speaker);
    playOnMpd(*made, 0, 0);
    showSettings(std::move(made));
    EXPECT_EQ(textOf("selectedSpeaker"), "Silent");
    EXPECT_EQ(textOf("musicFolder"), album->folder);
    EXPECT_EQ(textOf("libraryContents"), "1 album, 6 tracks");
    EXPECT_EQ(textOf("lastScan"), "Last scan: 6 new, 0 changed, 0 removed, 0 files skipped");
    openSheet();

    const QString legacyID = "legacy:" + speaker->id;
    struct Row {
        QString id;
        QString name;
        bool legacy;
    };
    const Row rows[] = {
        {"music:Silent", "Silent", false},
        {"music:" + MpdTestServer::awkwardOutputName, MpdTestServer::awkwardOutputName, false},
        {legacyID, "Den", true}};
    const auto checkRows = [&](const QString& selected) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.id.toStdString());
            ASSERT_TRUE(waitUntil([&] { return shows("speakerRow:" + row.id); }));
            EXPECT_EQ(textOf("speakerName:" + row.id), row.name);
            EXPECT_EQ(shows("legacyPill:" + row.id), row.legacy);
            EXPECT_EQ(opacityOf("speakerCheck:" + row.id), row.id == selected ? 1.0 : 0.0);
        }
    };
    checkRows("music:Silent");
    EXPECT_EQ(shown("legacyPill:" + legacyID, "text"), "Legacy");
    EXPECT_EQ(shown("legacyPill:" + legacyID, "accessibleName"), "Legacy AirPlay 1 speaker");
    EXPECT_TRUE(view.saveScreen("speaker-picker"));

    const qsizetype heardBefore = den.pcm().size();
    view.click(("speakerRow:" + legacyID).toUtf8().constData());
    finish(*library);
    EXPECT_EQ(library->outputID(), legacyID);
    const auto heard = firstSound(den, heardBefore);
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->track, 0);
    checkRows(legacyID);
    EXPECT_EQ(speakers->buttonSymbol(), "hifispeaker.fill");
    view.click("speakerPickerDone");
    EXPECT_TRUE(waitUntil([&] { return textOf("selectedSpeaker") == "Den"; }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(SpeakerScreens, DisconnectDeletesTheTokenItemFromTheSecretService) {
    LocalKeyring keyring;
    ASSERT_NO_FATAL_FAILURE(keyring.start());
    if (testing::Test::IsSkipped())
        return;
    keychain = std::make_unique<SecretServiceKeychain>();
    const TokenStore tokens{"acc", "ref", clock.now().addSecs(600), {"user-library-read"}};
    KeychainStore store(*keychain);
    // Saving again replaces the item rather than adding a second one.
    for (int save = 0; save < 2; ++save)
        runTask(store.save(tokens.encode(), KeychainStore::tokensAccount));
    ASSERT_EQ(keyring.itemsFor(KeychainStore::tokensAccount), 1);
    showWithoutAPlayer();
    ASSERT_TRUE(auth->isAuthenticated());
    EXPECT_TRUE(view.visible("spotifyConnected"));
    EXPECT_FALSE(view.visible("settingsConnectButton"));
    EXPECT_FALSE(view.visible("clientIDEditor"));
    view.click("changeClientIDButton");
    EXPECT_TRUE(view.visible("clientIDEditor"));
    EXPECT_TRUE(view.saveScreen("settings-connected"));

    view.click("disconnectButton");
    EXPECT_TRUE(waitUntil([&] { return keyring.itemsFor(KeychainStore::tokensAccount) == 0; }));
    EXPECT_FALSE(auth->isAuthenticated());
    EXPECT_TRUE(waitUntil([&] { return view.visible("settingsConnectButton"); }));
    EXPECT_FALSE(view.visible("spotifyConnected"));
    // Nothing is left to sign in from at the next start.
    EXPECT_FALSE(runTask(store.load(KeychainStore::tokensAccount)).has_value());
}

// The Spotify device picker over the stand-in.
class DevicePicker : public SpotifyFixture {
protected:
    DevicePicker() {
        signIn();
        standIn.onJson("PUT", "/v1/me/player", 204, "");
        models = std::make_unique<AppModels>(*api, appleMusic, sources, filters, clock);
        devices = std::make_unique<DeviceListModel>(models->playback);
    }
    void show() {
        ASSERT_TRUE(view.showView("DevicePickerView",
                                  {{"devices", QVariant::fromValue(devices.get())}}, kScreen));
    }
    size_t deviceRequests() const { return standIn.requestsTo("/v1/me/player/devices").size(); }
    QVariant shown(const QString& name, const char* property) {
        return shownIn(view, name, property);
    }

    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    AppleMusicLibrary appleMusic{home.filePath("Music")};
    std::unique_ptr<AppModels> models;
    std::unique_ptr<DeviceListModel> devices;
    QuickView view;
};

TEST_F(DevicePicker, EmptyUntilRefreshedThenRowsShowEachTypesIconAndTheChosenDevice) {
    struct Device {
        const char* id;
        const char* type;
        const char* name;
        const char* symbol;              // as shown; empty when the device is not listed
        const char* shownName = nullptr; // when it differs from name
    };
    const QString longName = QString("Living Room Speaker ").repeated(12);
    const std::string longNameUtf8 = longName.toStdString();
    const std::string longShown = longName.simplified().toStdString();
    const Device table[] = {
        {"c", "Computer", "Desk", "desktopcomputer"},
        {"p", "Smartphone", "Phone", "iphone"},
        {"s", "SPEAKER", "Kitchen", "hifispeaker.fill"},
        {"t", "TV", "Lounge TV", "tv"},
        {"a", "AVR", "Receiver", "tv.and.hifispeaker.fill"},
        {"d", "AudioDongle", "Dongle", "airplayaudio"},
        {"m", "Automobile", "Car", "car.fill"},
        {"g", "GameConsole", "Console", "gamecontroller.fill"},
        {"u", "Unknown",
         "\xd8\xa7\xd9\x84\xd9\x85\xd8\xb7\xd8\xa8\xd8\xae \xe5\x8f\xb0\xe6\x89\x80",
         "hifispeaker"},
        {"e", "Speaker", "", "hifispeaker.fill", "Unnamed Speaker"},
        {"l", "Speaker", longNameUtf8.c_str(), "hifispeaker.fill", longShown.c_str()},
        {"", "Speaker", "Restricted", ""},
    };
    QJsonArray listed;
    for (const Device& device : table) {
        // Spotify gives a restricted device no id.
        const QJsonValue id = *device.id ? QJsonValue(device.id) : QJsonValue();
        listed.append(QJsonObject{{"id", id},
                                  {"is_active", QString(device.id) == "s"},
                                  {"name", QString::fromUtf8(device.name)},
                                  {"type", device.type}});
    }
    // With no devices, the empty view asks to open Spotify; refresh asks again.
    standIn.onJson("GET", "/v1/me/player/devices", 200, R"({"devices":[]})");
    show();
    ASSERT_TRUE(waitUntil([&] { return deviceRequests() == 1 && !devices->isLoading(); }));
    EXPECT_TRUE(waitUntil([&] { return view.visible("noDevices"); }));
    EXPECT_EQ(view.property("noDevices", "title").toString(), "No Devices Found");
    EXPECT_EQ(view.property("noDevices", "message").toString(),
              "Open Spotify on a speaker, computer, or phone, then refresh.");
    EXPECT_TRUE(view.saveScreen("device-picker-empty"));

    standIn.onJson("GET", "/v1/me/player/devices", 200,
                   QJsonDocument(QJsonObject{{"devices", listed}}).toJson().toStdString());
    view.click("refreshDevicesButton");
    ASSERT_TRUE(waitUntil([&] { return devices->rowCount() == int(std::size(table)) - 1; }));
    EXPECT_EQ(deviceRequests(), 2u);
    for (const Device& device : table) {
        SCOPED_TRACE(device.type);
        const QString id = QString::fromUtf8(device.id);
        if (id.isEmpty())
            continue;
        EXPECT_EQ(shown("deviceIcon:" + id, "symbol").toString(), device.symbol);
        EXPECT_EQ(shown("deviceName:" + id, "text").toString(),
                  QString::fromUtf8(device.shownName ? device.shownName : device.name));
        EXPECT_EQ(shown("deviceCheck:" + id, "opacity").toDouble(), id == "s" ? 1.0 : 0.0);
        // Every row keeps one line, whatever its name.
        EXPECT_EQ(shown("deviceRow:" + id, "height").toDouble(),
                  shown("deviceRow:c", "height").toDouble());
    }
    EXPECT_TRUE(waitUntil([&] { return !view.visible("noDevices"); }));
    EXPECT_TRUE(view.saveScreen("device-picker"));

    view.click("deviceRow:g");
    EXPECT_EQ(models->playback.selectedDeviceID(), std::optional<QString>("g"));
    EXPECT_EQ(shown("deviceCheck:g", "opacity").toDouble(), 1.0);
    EXPECT_EQ(shown("deviceCheck:s", "opacity").toDouble(), 0.0);
    EXPECT_TRUE(waitUntil([&] { return !standIn.requestsTo("/v1/me/player").empty(); }));
}

} // namespace
