#pragma once

#include "platform/KorvidError.h"

// Failures of the Spotify sign-in and of obtaining a valid access token.
class SpotifyAuthError : public KorvidError {
public:
    enum class Case { authorizationDenied, server, invalidCallback, notAuthenticated };

    static SpotifyAuthError authorizationDenied(const QString& reason) {
        return {Case::authorizationDenied, QStringLiteral("Spotify sign-in was denied: ") + reason};
    }
    static SpotifyAuthError server(const QString& message) { return {Case::server, message}; }
    static SpotifyAuthError invalidCallback() {
        return {Case::invalidCallback,
                QStringLiteral("The sign-in response from Spotify was invalid.")};
    }
    static SpotifyAuthError notAuthenticated() {
        return {Case::notAuthenticated, QStringLiteral("You're not connected to Spotify yet.")};
    }

    Case kind() const noexcept { return case_; }

private:
    SpotifyAuthError(Case kind, const QString& description)
        : KorvidError(description)
        , case_(kind) {}
    Case case_;
};
