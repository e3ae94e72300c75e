// The browser sign-in from end to end, on a desktop session of the test's
// own: the registration script makes the built korvid the handler of
// korvid:// addresses, a browser stand-in follows the authorization page to
// the Spotify stand-in and opens the redirect with xdg-open, and the korvid
// the desktop starts for it hands the address to the Korvid running here.
#include "SpotifyFixture.h"

#include "platform/InstanceHandoff.h"
#include "platform/SingleInstance.h"
#include "platform/WebAuthSession.h"
#include "support/QuickView.h"
#include "ui/AppModels.h"
#include "ui/SpotifySignIn.h"

#include <QFile>
#include <QProcess>

namespace {

struct ScriptRun {
    int exitCode = -1;
    QString output;
};

ScriptRun runRegistration() {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(KORVID_SOURCE_DIR "/scripts/register-url-handler", {QStringLiteral(KORVID_APP)});
    if (!process.waitForFinished(30000))
        return {-1, process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class SignInRoundTrip : public SpotifyFixture {
protected:
    SignInRoundTrip() {
        // Nothing of the developer's desktop takes part: no system-wide
        // handlers or browsers, no desktop-specific openers.
        QDir().mkpath(home.filePath("system-data"));
        QDir().mkpath(home.filePath("system-config"));
        environment.set("HOME", QFile::encodeName(home.path()));
        environment.set("XDG_DATA_DIRS", QFile::encodeName(home.filePath("system-data")));
        environment.set("XDG_CONFIG_DIRS", QFile::encodeName(home.filePath("system-config")));
        environment.set("XDG_CURRENT_DESKTOP", "X-Generic");
        for (const char* name : {"DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                 "MATE_DESKTOP_SESSION_ID", "DEFAULT_BROWSER"})
            environment.set(name, {});
        // xdg-open hands addresses to scheme handlers only in a graphical
        // session; it never connects to the display itself.
        environment.set("WAYLAND_DISPLAY", "korvid-test-display");
        environment.set("BROWSER", KORVID_SOURCE_DIR "/tests/spotify/browser-stand-in.sh");
    }

    ScopedEnvironment environment;
};

TEST_F(SignInRoundTrip, TheBrowserRedirectReachesTheRunningKorvidWhichShowsTheTabs) {
    // Registering twice leaves one handler, and the second run is silent.
    const ScriptRun first = runRegistration();
    ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();
    const QString entryPath = home.xdg("XDG_DATA_HOME") + "/applications/korvid.desktop";
    const QByteArray entry = contents(entryPath);
    ASSERT_FALSE(entry.isEmpty());
    const ScriptRun second = runRegistration();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.output, "");
    EXPECT_EQ(contents(entryPath), entry);
    EXPECT_EQ(contents(home.xdg("XDG_CONFIG_HOME") + "/mimeapps.list")
                  .count("x-scheme-handler/korvid=korvid.desktop"),
              1);

    // The accounts stand-in approves at once, as for a user who signed in.
    standIn.on("GET", "/accounts/authorize", [](const SpotifyStandIn::Request& request) {
        const QUrlQuery query(QString::fromStdString(request.query()));
        QUrl callback(query.queryItemValue("redirect_uri", QUrl::FullyDecoded));
        callback.setQuery({{"code", "code-from-the-browser"},
                           {"state", query.queryItemValue("state", QUrl::FullyDecoded)}});
        return SpotifyStandIn::Reply{302, "", "text/html",
                                     callback.toString(QUrl::FullyEncoded).toStdString()};
    });
    standIn.onJson("POST", "/accounts/api/token", 200,
                   R"({"access_token":"acc","expires_in":3600,"refresh_token":"ref"})");

    // Korvid as main() composes it, except for the opener: the offscreen
    // platform opens no addresses, and a desktop session's Qt hands them to
    // xdg-open as this does.
    WebAuthSession session([](const QUrl& url) {
        return QProcess::startDetached("xdg-open", {url.toString(QUrl::FullyEncoded)});
    });
    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    SpotifySignIn signIn(*auth, session, sources);
    AppleMusicLibrary appleMusic(home.filePath("Music"));
    SingleInstance instance;
    ASSERT_TRUE(instance.listen());
    auth->loadStoredTokens();
    QuickView view;
    AppModels models(*api, appleMusic, sources, filters, clock);
    ASSERT_TRUE(view.showMainWindow(models.ui(*auth, signIn)));
    InstanceHandoff::route(instance, session, view.window());

    ASSERT_TRUE(waitUntil([&] { return view.find("connectButton") != nullptr; }));
    view.click("connectButton");
    ASSERT_TRUE(waitUntil([&] { return auth->isAuthenticated(); }, std::chrono::seconds(40)))
        << signIn.errorMessage().toStdString();
    EXPECT_TRUE(waitUntil([&] { return view.visible("mainTabs") && !view.find("connectButton"); }));
    EXPECT_TRUE(view.saveScreen("sign-in-round-trip"));

    // The built-in identifier went out, and the code came back the long way.
    ASSERT_EQ(standIn.requestsTo("/accounts/authorize").size(), 1u);
    const auto asked = pairsOf(standIn.requestsTo("/accounts/authorize").at(0).query());
    EXPECT_TRUE(asked.contains({"client_id", SpotifyAuthManager::defaultClientID}));
    const auto tokenRequests = standIn.requestsTo("/accounts/api/token");
    ASSERT_EQ(tokenRequests.size(), 1u);
    EXPECT_TRUE(pairsOf(tokenRequests.at(0).body).contains({"code", "code-from-the-browser"}));
    EXPECT_EQ(storedTokens()->accessToken, "acc");
    EXPECT_EQ(signIn.errorMessage(), "");
}
