#include "SpotifyFixture.h"

#include "spotify/SpotifyAuthError.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>

namespace {

std::string tokenAnswer(const char* access, const char* refresh, const char* scope,
                        int expiresIn = 3600) {
    std::string json = std::string(R"({"access_token":")") + access +
                       R"(","token_type":"Bearer","expires_in":)" + std::to_string(expiresIn);
    if (refresh)
        json += std::string(R"(,"refresh_token":")") + refresh + '"';
    if (scope)
        json += std::string(R"(,"scope":")") + scope + '"';
    return json + "}";
}

} // namespace

class SpotifyAuth : public SpotifyFixture {};

TEST_F(SpotifyAuth, SignInRoundTripStoresTheTokenSet) {
    standIn.onJson("POST", "/accounts/api/token", 200,
                   tokenAnswer("acc-1", "ref-1", "user-library-read  user-read-playback-state"));
    auth->setClientID("client-7");
    const auto url = auth->buildAuthorizationURL();
    const QString verifier = *auth->pendingCodeVerifier();
    // Seven items in this order; the challenge is the Base64url of the
    // verifier's SHA-256, which the token service checks the code against.
    const QString challenge =
        QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    EXPECT_EQ(pairsOf(url->query(QUrl::FullyEncoded).toStdString()),
              (QList<std::pair<QString, QString>>{
                  {"client_id", "client-7"},
                  {"response_type", "code"},
                  {"redirect_uri", "korvid://callback"},
                  {"code_challenge_method", "S256"},
                  {"code_challenge", challenge},
                  {"scope", "user-read-recently-played user-library-read "
                            "user-read-playback-state user-modify-playback-state"},
                  {"state", *auth->pendingState()}}));
    QSignalSpy authenticated(auth.get(), &SpotifyAuthManager::isAuthenticatedChanged);

    const QUrl callback("korvid://callback?code=c%2Fd+e&state=" + *auth->pendingState());
    runTask(auth->completeLogin(callback));

    const auto sent = standIn.requestsTo("/accounts/api/token");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_FALSE(sent[0].hasHeader("authorization"));
    auto fields = pairsOf(sent[0].body);
    std::sort(fields.begin(), fields.end());
    EXPECT_EQ(fields, (QList<std::pair<QString, QString>>{{"client_id", "client-7"},
                                                          {"code", "c/d+e"},
                                                          {"code_verifier", verifier},
                                                          {"grant_type", "authorization_code"},
                                                          {"redirect_uri", "korvid://callback"}}));
    // "+" inside a value is encoded, so the server reads it back as "+".
    EXPECT_NE(sent[0].body.find("code=c/d%2Be&"), std::string::npos) << sent[0].body;

    EXPECT_TRUE(auth->isAuthenticated());
    EXPECT_EQ(authenticated.count(), 1);
    EXPECT_FALSE(auth->pendingState().has_value());
    EXPECT_FALSE(auth->pendingCodeVerifier().has_value());
    const TokenStore expected{"acc-1",
                              "ref-1",
                              clock.now().addSecs(3600),
                              {"user-library-read", "user-read-playback-state"}};
    EXPECT_EQ(auth->tokens(), expected);
    EXPECT_EQ(storedTokens(), expected);

    // The next start reads it back from the keychain.
    SpotifyAuthManager restarted(network, keychain, clock, standIn.accountsBase());
    EXPECT_FALSE(restarted.isAuthenticated());
    runTask(restarted.loadStoredTokens());
    EXPECT_TRUE(restarted.hasLoadedTokens());
    EXPECT_EQ(restarted.tokens(), expected);

    // Tokens never reach the preferences file.
    QSettings().sync();
    QFile prefs(QSettings().fileName());
    ASSERT_TRUE(prefs.open(QIODevice::ReadOnly));
    const QByteArray content = prefs.readAll();
    EXPECT_FALSE(content.contains("acc-1"));
    EXPECT_FALSE(content.contains("ref-1"));
}

TEST_F(SpotifyAuth, CallbacksOfEveryShapeFailCleanly) {
    standIn.onJson("POST", "/accounts/api/token", 200, tokenAnswer("a", "r", nullptr));
    auth->buildAuthorizationURL();
    const QString state = *auth->pendingState();
    const QString verifier = *auth->pendingCodeVerifier();
    const QString invalid = "The sign-in response from Spotify was invalid.";
    const std::vector<std::pair<QString, QString>> cases = {
        {"korvid://callback?error=access_denied&code=x&state=" + state,
         "Spotify sign-in was denied: access_denied"},
        {"korvid://callback?error=&state=" + state, "Spotify sign-in was denied: "},
        {"korvid://callback?error=a%20b", "Spotify sign-in was denied: a b"},
        {"korvid://callback", invalid},
        {"korvid://callback?", invalid},
        {"korvid://callback?state=" + state, invalid},
        {"korvid://callback?code=abc", invalid},
        {"korvid://callback?code=abc&state=wrong", invalid},
        {"korvid://callback?code=abc&state", invalid},
        {"korvid://callback?error&code=abc&state=x" + state, invalid},
        {"korvid://callback?code=abc&state=X" + state + "&state=" + state, invalid},
        {"not a url at all %%% ::", invalid},
        {"", invalid},
        {"https://evil.example/callback?code=1&state=%ZZ", invalid},
        {"korvid://callback?&&&=&=%00", invalid},
    };
    for (const auto& [callback, description] : cases) {
        SCOPED_TRACE(callback.toStdString());
        const auto error = failureOf<SpotifyAuthError>(auth->completeLogin(QUrl(callback)));
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->description(), description);
        // A failed callback keeps the sign-in open.
        EXPECT_EQ(auth->pendingState(), state);
        EXPECT_EQ(auth->pendingCodeVerifier(), verifier);
    }
    EXPECT_TRUE(standIn.requests().empty());
    EXPECT_FALSE(auth->isAuthenticated());

    // Without a sign-in in progress even a well-formed callback is invalid.
    SpotifyAuthManager fresh(network, keychain, clock, standIn.accountsBase());
    const auto error =
        failureOf<SpotifyAuthError>(fresh.completeLogin(QUrl("korvid://callback?code=a&state=b")));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), SpotifyAuthError::Case::invalidCallback);
}

TEST_F(SpotifyAuth, TokenServiceFailuresShowTheRawAnswerAndKeepTheSignInOpen) {
    auth->buildAuthorizationURL();
    const QUrl callback("korvid://callback?code=abc&state=" + *auth->pendingState());
    const std::vector<std::tuple<int, std::string, QString>> cases = {
        {400, R"({"error":"invalid_grant","error_description":"Invalid authorization code"})",
         R"({"error":"invalid_grant","error_description":"Invalid authorization code"})"},
        {503, std::string("\xff\xfe bad", 6), "Unknown error"},
        {500, "", "Unknown error"},
    };
    for (const auto& [status, body, description] : cases) {
        SCOPED_TRACE(status);
        standIn.on("POST", "/accounts/api/token", [status = status, body = body](const auto&) {
            return SpotifyStandIn::Reply{status, body, "text/plain"};
        });
        const auto error = failureOf<SpotifyAuthError>(auth->completeLogin(callback));
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->kind(), SpotifyAuthError::Case::server);
        EXPECT_EQ(error->description(), description);
        EXPECT_TRUE(auth->pendingState().has_value());
    }
    // The sign-in is still open: an answer without a refresh token or scope
    // completes it, and both are stored empty.
    standIn.onJson("POST", "/accounts/api/token", 200, tokenAnswer("a", nullptr, nullptr));
    runTask(auth->completeLogin(callback));
    ASSERT_TRUE(auth->tokens().has_value());
    EXPECT_EQ(auth->tokens()->refreshToken, "");
    EXPECT_TRUE(auth->tokens()->grantedScopes.isEmpty());
}

TEST_F(SpotifyAuth, CallersAtExpiryShareOneRefresh) {
    standIn.onJson("PUT", "/v1/me/player/pause", 204, "");
    const TokenStore old{"acc-1", "ref-1", clock.now().addSecs(10), {"user-library-read"}};
    struct Case {
        int status;
        std::string answer;
        QString outcome; // of every caller: "ok", or the failure's description
    };
    for (const Case& c :
         {Case{200, tokenAnswer("acc-2", nullptr, nullptr), "ok"},
          Case{400, R"({"error":"invalid_grant"})", R"({"error":"invalid_grant"})"}}) {
        SCOPED_TRACE(c.status);
        standIn.onJson("POST", "/accounts/api/token", c.status, c.answer);
        auth->setTokens(old);
        const auto tokenRequests = standIn.requestsTo("/accounts/api/token").size();
        const auto pauses = standIn.requestsTo("/v1/me/player/pause").size();

        std::vector<QCoro::Task<>> callers;
        for (int i = 0; i < 5; ++i)
            callers.push_back(api->pause());
        for (auto& caller : callers) {
            const auto error = failureOf<KorvidError>(std::move(caller));
            EXPECT_EQ(error ? error->description() : QStringLiteral("ok"), c.outcome);
        }
        EXPECT_EQ(standIn.requestsTo("/accounts/api/token").size(), tokenRequests + 1);
        const auto sent = standIn.requestsTo("/v1/me/player/pause");
        if (c.status == 200) {
            ASSERT_EQ(sent.size(), pauses + 5);
            for (size_t i = pauses; i < sent.size(); ++i)
                EXPECT_EQ(sent[i].header("authorization"), "Bearer acc-2");
            // The refresh sends the stored refresh token; an answer without a
            // refresh token or scope keeps both.
            const auto fields = pairsOf(standIn.requestsTo("/accounts/api/token").back().body);
            EXPECT_TRUE(fields.contains({"grant_type", "refresh_token"}));
            EXPECT_TRUE(fields.contains({"refresh_token", "ref-1"}));
            EXPECT_EQ(
                storedTokens(),
                (TokenStore{"acc-2", "ref-1", clock.now().addSecs(3600), {"user-library-read"}}));
        } else {
            EXPECT_EQ(sent.size(), pauses);
            EXPECT_EQ(auth->tokens(), old);
        }
    }
}

TEST_F(SpotifyAuth, DisconnectingDuringARefreshStaysDisconnected) {
    standIn.onJson("POST", "/accounts/api/token", 200, tokenAnswer("acc-2", "ref-2", nullptr));
    auth->setTokens(TokenStore{"acc-1", "ref-1", clock.now().addSecs(10), {}});
    auto refreshing = auth->validAccessToken();
    runTask(auth->signOut());
    const auto error = failureOf<SpotifyAuthError>(std::move(refreshing));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), SpotifyAuthError::Case::notAuthenticated);
    EXPECT_EQ(standIn.requestsTo("/accounts/api/token").size(), 1u);
    EXPECT_FALSE(auth->isAuthenticated());
    EXPECT_FALSE(storedTokens().has_value());
}
