#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class MusicSourceSettings;
class SpotifyAuthManager;

// Chooses the main window's content: the Spotify sign-in while Spotify is a
// chosen source and no token set is stored, otherwise the tabs. While the
// stored tokens are still being read neither shows, so the sign-in screen
// does not flash up for a user who is signed in.
class ContentRootModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the source settings and sign-in")
    Q_PROPERTY(bool showsSignIn READ showsSignIn NOTIFY changed)
    Q_PROPERTY(bool showsTabs READ showsTabs NOTIFY changed)

public:
    ContentRootModel(MusicSourceSettings* sources, SpotifyAuthManager* auth,
                     QObject* parent = nullptr);

    bool showsSignIn() const;
    bool showsTabs() const;

Q_SIGNALS:
    void changed();

private:
    bool spotifyWanted() const;
    bool tokensKnown() const;

    QPointer<MusicSourceSettings> sources_;
    QPointer<SpotifyAuthManager> auth_;
};
