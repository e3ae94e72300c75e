<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="de_DE">
<context>
    <name>AlbumCell</name>
    <message>
        <source>%1, playing</source>
        <translation>%1, wird gespielt</translation>
    </message>
    <message>
        <source>%1, %2, playing</source>
        <translation>%1, %2, wird gespielt</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>AlbumDisplayStyle</name>
    <message>
        <source>Cover Only</source>
        <translation>Nur Cover</translation>
    </message>
    <message>
        <source>Cover, Artist &amp; Title</source>
        <translation>Cover, Interpret &amp; Titel</translation>
    </message>
</context>
<context>
    <name>ChangelogPresenter</name>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>ChangelogView</name>
    <message>
        <source>What's New</source>
        <translation>Neuigkeiten</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>ConnectSpotifyView</name>
    <message>
        <source>Connect Your Spotify Account</source>
        <translation>Spotify-Konto verbinden</translation>
    </message>
    <message>
        <source>Sign in with your Spotify account to load your library and control playback.</source>
        <translation>Melde dich mit deinem Spotify-Konto an, um deine Mediathek zu laden und die Wiedergabe zu steuern.</translation>
    </message>
    <message>
        <source>Korvid needs a free Spotify developer app to talk to the Spotify API on your behalf.</source>
        <translation>Korvid braucht eine kostenlose Spotify-Entwickler-App, um in deinem Namen mit der Spotify-API zu sprechen.</translation>
    </message>
    <message>
        <source>1. Create an app on the Spotify developer dashboard (%1).</source>
        <translation>1. Lege im Spotify-Entwickler-Dashboard eine App an (%1).</translation>
    </message>
    <message>
        <source>2. Add this Redirect URI in the app's settings:</source>
        <translation>2. Trage diese Weiterleitungs-URI in den Einstellungen der App ein:</translation>
    </message>
    <message>
        <source>Redirect URI: </source>
        <translation>Weiterleitungs-URI: </translation>
    </message>
    <message>
        <source>3. Paste the app's Client ID below and connect.</source>
        <translation>3. Füge unten die Client-ID der App ein und verbinde dich.</translation>
    </message>
    <message>
        <source>Spotify Client ID</source>
        <translation>Spotify-Client-ID</translation>
    </message>
    <message>
        <source>Connect to Spotify</source>
        <translation>Mit Spotify verbinden</translation>
    </message>
    <message>
        <source>Use Local Music Only</source>
        <translation>Nur lokale Musik verwenden</translation>
    </message>
</context>
<context>
    <name>DeviceListModel</name>
    <message>
        <source>Spotify Speakers</source>
        <translation>Spotify-Lautsprecher</translation>
    </message>
    <message>
        <source>No Devices Found</source>
        <translation>Keine Geräte gefunden</translation>
    </message>
    <message>
        <source>Open Spotify on a speaker, computer, or phone, then refresh.</source>
        <translation>Öffne Spotify auf einem Lautsprecher, Computer oder Telefon und aktualisiere dann.</translation>
    </message>
</context>
<context>
    <name>DevicePickerView</name>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>EmptyState</name>
    <message>
        <source>Play something on Spotify or your local music library and it will show up here.</source>
        <translation>Spiele etwas auf Spotify oder aus deiner lokalen Musiksammlung ab, dann erscheint es hier.</translation>
    </message>
    <message>
        <source>Play something in your local music library and it will show up here.</source>
        <translation>Spiele etwas aus deiner lokalen Musiksammlung ab, dann erscheint es hier.</translation>
    </message>
    <message>
        <source>Play something on Spotify and it will show up here.</source>
        <translation>Spiele etwas auf Spotify ab, dann erscheint es hier.</translation>
    </message>
    <message>
        <source>Albums you save on Spotify or sync to your local music library will show up here.</source>
        <translation>Alben, die du auf Spotify speicherst oder in deine lokale Musiksammlung legst, erscheinen hier.</translation>
    </message>
    <message>
        <source>Albums synced to your local music library will show up here.</source>
        <translation>Alben in deiner lokalen Musiksammlung erscheinen hier.</translation>
    </message>
    <message>
        <source>Albums you save on Spotify will show up here.</source>
        <translation>Alben, die du auf Spotify speicherst, erscheinen hier.</translation>
    </message>
    <message>
        <source>Looking for music files…</source>
        <translation>Suche nach Musikdateien …</translation>
    </message>
    <message>
        <source>%1 files read so far. Albums appear here as they are found.</source>
        <translation>Bisher %1 Dateien gelesen. Alben erscheinen hier, sobald sie gefunden werden.</translation>
    </message>
</context>
<context>
    <name>EmptyStatePresenter</name>
    <message>
        <source>No Recent Albums</source>
        <translation>Keine kürzlich gespielten Alben</translation>
    </message>
    <message>
        <source>No Saved Albums</source>
        <translation>Keine gespeicherten Alben</translation>
    </message>
    <message>
        <source>Reading Your Music Folder</source>
        <translation>Dein Musikordner wird gelesen</translation>
    </message>
</context>
<context>
    <name>Genre</name>
    <message>
        <source>Comedy &amp; Spoken</source>
        <translation>Comedy &amp; Wort</translation>
    </message>
    <message>
        <source>Kids</source>
        <translation>Kinder</translation>
    </message>
    <message>
        <source>Soundtrack</source>
        <translation>Filmmusik</translation>
    </message>
    <message>
        <source>Chanson</source>
        <translation>Chanson</translation>
    </message>
    <message>
        <source>Chill &amp; Ambient</source>
        <translation>Chill &amp; Ambient</translation>
    </message>
    <message>
        <source>Modern Classical</source>
        <translation>Moderne Klassik</translation>
    </message>
    <message>
        <source>Classical</source>
        <translation>Klassik</translation>
    </message>
    <message>
        <source>Metal</source>
        <translation>Metal</translation>
    </message>
    <message>
        <source>Hip-Hop</source>
        <translation>Hip-Hop</translation>
    </message>
    <message>
        <source>Soul, Jazz &amp; Blues</source>
        <translation>Soul, Jazz &amp; Blues</translation>
    </message>
    <message>
        <source>Folk &amp; Country</source>
        <translation>Folk &amp; Country</translation>
    </message>
    <message>
        <source>World</source>
        <translation>Weltmusik</translation>
    </message>
    <message>
        <source>Electronic</source>
        <translation>Elektronisch</translation>
    </message>
    <message>
        <source>Rock</source>
        <translation>Rock</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Sonstiges</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
</context>
<context>
    <name>HomeView</name>
    <message>
        <source>Home</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Couldn't Load Albums</source>
        <translation>Alben konnten nicht geladen werden</translation>
    </message>
    <message>
        <source>Recently Played</source>
        <translation>Zuletzt gespielt</translation>
    </message>
    <message>
        <source>Discover</source>
        <translation>Entdecken</translation>
    </message>
    <message>
        <source>Shuffle</source>
        <translation>Zufällig</translation>
    </message>
</context>
<context>
    <name>LibraryView</name>
    <message>
        <source>Library</source>
        <translation>Mediathek</translation>
    </message>
    <message>
        <source>Search albums and artists</source>
        <translation>Alben und Interpreten suchen</translation>
    </message>
    <message>
        <source>Couldn't Load Library</source>
        <translation>Mediathek konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>No albums match “%1”</source>
        <translation>Keine Alben passen zu „%1“</translation>
    </message>
</context>
<context>
    <name>LocalMusicSettings</name>
    <message>
        <source>Reads the albums in your music folder (%1). No subscription or sign-in required.</source>
        <translation>Liest die Alben in deinem Musikordner (%1). Kein Abo und keine Anmeldung nötig.</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n album(s)</source>
        <translation><numerusform>%n Album</numerusform><numerusform>%n Alben</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n track(s)</source>
        <translation><numerusform>%n Titel</numerusform><numerusform>%n Titel</numerusform></translation>
    </message>
    <message>
        <source>Last scan: %1 new, %2 changed, %3 removed, %4</source>
        <translation>Letzter Durchlauf: %1 neu, %2 geändert, %3 entfernt, %4</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) skipped</source>
        <translation><numerusform>%n Datei übersprungen</numerusform><numerusform>%n Dateien übersprungen</numerusform></translation>
    </message>
    <message>
        <source>%1. No music files were found in the folder; the albums read before are kept until they are back.</source>
        <translation>%1. Im Ordner wurden keine Musikdateien gefunden; die zuvor gelesenen Alben bleiben erhalten, bis sie wieder da sind.</translation>
    </message>
    <message numerus="yes">
        <source>%1. %n folder(s) couldn't be read; their albums are kept.</source>
        <translation><numerusform>%1. %n Ordner konnte nicht gelesen werden; seine Alben bleiben erhalten.</numerusform><numerusform>%1. %n Ordner konnten nicht gelesen werden; ihre Alben bleiben erhalten.</numerusform></translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Home</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Mediathek</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Reload (F5)</source>
        <translation>Neu laden (F5)</translation>
    </message>
    <message>
        <source>Playback Error</source>
        <translation>Wiedergabefehler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>MusicSource</name>
    <message>
        <source>Spotify</source>
        <translation>Spotify</translation>
    </message>
    <message>
        <source>Local Music</source>
        <translation>Lokale Musik</translation>
    </message>
    <message>
        <source>Both</source>
        <translation>Beides</translation>
    </message>
</context>
<context>
    <name>NowPlayingPresenter</name>
    <message>
        <source>This Computer</source>
        <translation>Dieser Computer</translation>
    </message>
</context>
<context>
    <name>NowPlayingView</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Not Playing</source>
        <translation>Keine Wiedergabe</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Up Next</source>
        <translation>Als Nächstes</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Hörprobe anhalten</translation>
    </message>
    <message>
        <source>Play Preview</source>
        <translation>Hörprobe abspielen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
</context>
<context>
    <name>PlaybackTexts</name>
    <message>
        <source>Unnamed Speaker</source>
        <translation>Unbenannter Lautsprecher</translation>
    </message>
    <message>
        <source>Playing on %1, a legacy AirPlay 1 speaker</source>
        <translation>Wiedergabe auf %1, einem älteren AirPlay-1-Lautsprecher</translation>
    </message>
    <message>
        <source>Playing on %1</source>
        <translation>Wiedergabe auf %1</translation>
    </message>
    <message>
        <source>Playing on %1, legacy AirPlay 1 speakers</source>
        <translation>Wiedergabe auf %1, älteren AirPlay-1-Lautsprechern</translation>
    </message>
    <message>
        <source>%1 + %2</source>
        <translation>%1 + %2</translation>
    </message>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation><numerusform>vor %n Jahr</numerusform><numerusform>vor %n Jahren</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation><numerusform>vor %n Monat</numerusform><numerusform>vor %n Monaten</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n week(s) ago</source>
        <translation><numerusform>vor %n Woche</numerusform><numerusform>vor %n Wochen</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation><numerusform>vor %n Tag</numerusform><numerusform>vor %n Tagen</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation><numerusform>vor %n Stunde</numerusform><numerusform>vor %n Stunden</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation><numerusform>vor %n Minute</numerusform><numerusform>vor %n Minuten</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n second(s) ago</source>
        <translation><numerusform>vor %n Sekunde</numerusform><numerusform>vor %n Sekunden</numerusform></translation>
    </message>
    <message>
        <source>This Computer</source>
        <translation>Dieser Computer</translation>
    </message>
</context>
<context>
    <name>PlayerControls</name>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
</context>
<context>
    <name>PlayerControlsView</name>
    <message>
        <source>Not Playing</source>
        <translation>Keine Wiedergabe</translation>
    </message>
</context>
<context>
    <name>ResumeOfferPresenter</name>
    <message>
        <source>Track %1 · Played %2</source>
        <translation>Titel %1 · Gespielt %2</translation>
    </message>
    <message>
        <source>Last played on %1</source>
        <translation>Zuletzt gespielt auf %1</translation>
    </message>
    <message>
        <source>Resume on %1</source>
        <translation>Auf %1 fortsetzen</translation>
    </message>
    <message>
        <source>Pick up where you left off?</source>
        <translation>Dort weitermachen, wo du aufgehört hast?</translation>
    </message>
</context>
<context>
    <name>ResumeSessionView</name>
    <message>
        <source>Play on This Computer</source>
        <translation>Auf diesem Computer abspielen</translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation>Nicht jetzt</translation>
    </message>
</context>
<context>
    <name>SettingsPresenter</name>
    <message>
        <source>"Both" merges albums from Spotify and your local music library, interleaved by recency.</source>
        <translation>„Beides“ führt Alben von Spotify und aus deiner lokalen Musiksammlung zusammen, nach Aktualität gemischt.</translation>
    </message>
    <message>
        <source>Albums with fewer tracks than this are hidden from Home and Library.</source>
        <translation>Alben mit weniger Titeln werden in Start und Mediathek ausgeblendet.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Music Source</source>
        <translation>Musikquelle</translation>
    </message>
    <message>
        <source>Local Music</source>
        <translation>Lokale Musik</translation>
    </message>
    <message>
        <source>Access Granted</source>
        <translation>Zugriff erteilt</translation>
    </message>
    <message>
        <source>Scan Music Folder</source>
        <translation>Musikordner einlesen</translation>
    </message>
    <message>
        <source>Rescan</source>
        <translation>Neu einlesen</translation>
    </message>
    <message>
        <source>Playback</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Local music plays through the music player (MPD), which reaches every output of this computer. Legacy AirPlay 1 speakers, like a Bose SoundTouch, are streamed to by Korvid itself.</source>
        <translation>Lokale Musik läuft über den Musikplayer (MPD), der jeden Ausgang dieses Computers erreicht. Ältere AirPlay-1-Lautsprecher wie eine Bose SoundTouch versorgt Korvid selbst.</translation>
    </message>
    <message>
        <source>Speaker: %1</source>
        <translation>Lautsprecher: %1</translation>
    </message>
    <message>
        <source>Speaker</source>
        <translation>Lautsprecher</translation>
    </message>
    <message>
        <source>Spotify Account</source>
        <translation>Spotify-Konto</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Connect to Spotify</source>
        <translation>Mit Spotify verbinden</translation>
    </message>
    <message>
        <source>Change Client ID</source>
        <translation>Client-ID ändern</translation>
    </message>
    <message>
        <source>Redirect URI: %1</source>
        <translation>Weiterleitungs-URI: %1</translation>
    </message>
    <message>
        <source>Spotify Client ID</source>
        <translation>Spotify-Client-ID</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Darstellung</translation>
    </message>
    <message>
        <source>Album Display</source>
        <translation>Albumanzeige</translation>
    </message>
    <message>
        <source>Filtering</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Minimum Tracks per Album</source>
        <translation>Mindestzahl an Titeln pro Album</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>What's New</source>
        <translation>Neuigkeiten</translation>
    </message>
</context>
<context>
    <name>SignInProgress</name>
    <message>
        <source>Waiting for Spotify in your browser…</source>
        <translation>Warte auf Spotify in deinem Browser …</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Address the browser ended on</source>
        <translation>Adresse, bei der der Browser gelandet ist</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>SourcePicker</name>
    <message>
        <source>Music Source</source>
        <translation>Musikquelle</translation>
    </message>
</context>
<context>
    <name>SpeakerListPresenter</name>
    <message>
        <source>Speakers play through the music player, which reaches every output of this computer. Legacy speakers only support AirPlay 1, so Korvid streams to them itself; copy-protected files can't play on them.</source>
        <translation>Lautsprecher spielen über den Musikplayer, der jeden Ausgang dieses Computers erreicht. Ältere Lautsprecher können nur AirPlay 1, daher streamt Korvid selbst zu ihnen; kopiergeschützte Dateien können dort nicht abgespielt werden.</translation>
    </message>
    <message>
        <source>No speakers found</source>
        <translation>Keine Lautsprecher gefunden</translation>
    </message>
    <message>
        <source>Looking for speakers…</source>
        <translation>Suche nach Lautsprechern …</translation>
    </message>
    <message>
        <source>None Selected</source>
        <translation>Keiner ausgewählt</translation>
    </message>
    <message>
        <source>Speakers</source>
        <translation>Lautsprecher</translation>
    </message>
    <message>
        <source>Choose a speaker</source>
        <translation>Lautsprecher wählen</translation>
    </message>
    <message>
        <source>Legacy</source>
        <translation>Älter</translation>
    </message>
    <message>
        <source>Legacy AirPlay 1 speaker</source>
        <translation>Älterer AirPlay-1-Lautsprecher</translation>
    </message>
    <message>
        <source>Also play here</source>
        <translation>Auch hier abspielen</translation>
    </message>
    <message>
        <source>Volume of %1</source>
        <translation>Lautstärke von %1</translation>
    </message>
</context>
<context>
    <name>SpeakerPicker</name>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>ThumbnailSizeSlider</name>
    <message>
        <source>Thumbnail Size</source>
        <translation>Covergröße</translation>
    </message>
</context>
<context>
    <name>TransportButtons</name>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>TrayAlbumList</name>
    <message>
        <source>No albums yet</source>
        <translation>Noch keine Alben</translation>
    </message>
</context>
<context>
    <name>TrayPanel</name>
    <message>
        <source>Not Playing</source>
        <translation>Keine Wiedergabe</translation>
    </message>
    <message>
        <source>Recently Played</source>
        <translation>Zuletzt gespielt</translation>
    </message>
    <message>
        <source>Shuffle</source>
        <translation>Zufällig</translation>
    </message>
</context>
<context>
    <name>TrayPanelPresenter</name>
    <message>
        <source>More %1</source>
        <translation>Mehr %1</translation>
    </message>
    <message>
        <source>More Like This</source>
        <translation>Mehr davon</translation>
    </message>
    <message>
        <source>Korvid: Not Playing</source>
        <translation>Korvid: Keine Wiedergabe</translation>
    </message>
    <message>
        <source>%1 – %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message>
        <source>%1 (Paused)</source>
        <translation>%1 (pausiert)</translation>
    </message>
</context>
<context>
    <name>VolumeSlider</name>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
</context>
</TS>