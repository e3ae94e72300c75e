pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// Settings: source, local music, playback, the Spotify account, appearance,
// filtering and the program's version.
Page {
    id: page
    objectName: "settingsView"
    title: qsTr("Settings")

    required property MusicSourceSettings sourceSettings
    required property AlbumFilterSettings filterSettings
    required property SpotifySignIn signIn
    required property LocalMusicSettings localMusic
    required property DisplayPreferences displayPreferences
    required property SpeakerListPresenter speakers

    // "What's New" opens over the form and its back button returns to it.
    property bool showsChangelog: false

    ScrollView {
        anchors.fill: parent
        visible: !page.showsChangelog
        contentWidth: availableWidth
        ColumnLayout {
            width: parent.width
            spacing: 24
            anchors.margins: 24

            Item { Layout.preferredHeight: 4 }

            SettingsSection {
                objectName: "musicSourceSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Music Source")
                caption: SettingsTexts.sourceCaption
                RowLayout {
                    Repeater {
                        model: SettingsTexts.sources
                        RadioButton {
                            required property var modelData
                            required property int index
                            objectName: "sourceOption" + index
                            text: modelData.label
                            checked: page.sourceSettings.current === modelData.value
                            onClicked: page.sourceSettings.current = modelData.value
                        }
                    }
                }
            }

            SettingsSection {
                objectName: "localMusicSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Local Music")
                caption: page.localMusic.caption
                RowLayout {
                    visible: page.localMusic.isAuthorized
                    SymbolImage { symbol: "checkmark.circle.fill" }
                    PlainLabel { objectName: "accessGranted"; text: qsTr("Access Granted") }
                    BusyIndicator {
                        running: page.localMusic.isScanning
                        visible: running
                        Layout.preferredHeight: 24
                        Layout.preferredWidth: 24
                    }
                }
                PlainLabel {
                    objectName: "musicFolder"
                    text: page.localMusic.musicFolder
                    elide: Text.ElideMiddle
                    Layout.fillWidth: true
                }
                PlainLabel {
                    objectName: "libraryContents"
                    visible: text.length > 0
                    text: page.localMusic.contents
                    opacity: 0.7
                }
                PlainLabel {
                    objectName: "lastScan"
                    visible: text.length > 0
                    text: page.localMusic.lastScan
                    opacity: 0.7
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
                PlainLabel {
                    objectName: "libraryNotice"
                    visible: text.length > 0
                    text: page.localMusic.libraryNotice
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
                Button {
                    objectName: "scanMusicFolderButton"
                    visible: !page.localMusic.isAuthorized
                    text: qsTr("Scan Music Folder")
                    onClicked: page.localMusic.scan()
                }
                Button {
                    objectName: "rescanMusicFolderButton"
                    visible: page.localMusic.isAuthorized
                    enabled: !page.localMusic.isScanning
                    text: qsTr("Rescan")
                    onClicked: page.localMusic.scan()
                }
            }

            SettingsSection {
                objectName: "playbackSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Playback")
                caption: qsTr("Local music plays through the music player (MPD), which reaches every output of this computer. Legacy AirPlay 1 speakers, like a Bose SoundTouch, are streamed to by Korvid itself.")
                ItemDelegate {
                    objectName: "speakerRow"
                    Accessible.name: qsTr("Speaker: %1").arg(page.speakers.selectedName)
                    Layout.fillWidth: true
                    onClicked: speakerPicker.open()
                    contentItem: RowLayout {
                        spacing: 10
                        SymbolImage { symbol: "speaker.wave.3.fill"; size: 18 }
                        PlainLabel { text: qsTr("Speaker") }
                        PlainLabel {
                            objectName: "selectedSpeaker"
                            text: page.speakers.selectedName
                            horizontalAlignment: Text.AlignRight
                            elide: Text.ElideRight
                            opacity: 0.7
                            Layout.fillWidth: true
                        }
                    }
                }
                SpeakerPicker {
                    id: speakerPicker
                    speakers: page.speakers
                }
            }

            SettingsSection {
                objectName: "spotifyAccountSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Spotify Account")
                RowLayout {
                    visible: page.signIn.isAuthenticated
                    SymbolImage { symbol: "checkmark.circle.fill" }
                    PlainLabel { objectName: "spotifyConnected"; text: qsTr("Connected") }
                    Button {
                        objectName: "disconnectButton"
                        text: qsTr("Disconnect")
                        flat: true
                        onClicked: page.signIn.disconnectSpotify()
                    }
                }
                RowLayout {
                    visible: !page.signIn.isAuthenticated
                    Button {
                        objectName: "settingsConnectButton"
                        text: qsTr("Connect to Spotify")
                        enabled: !page.signIn.isSigningIn
                        onClicked: page.signIn.connectSpotify()
                    }
                }
                // The same waiting note and address field as the sign-in screen.
                SignInProgress {
                    Layout.fillWidth: true
                    visible: !page.signIn.isAuthenticated
                    signIn: page.signIn
                    namePrefix: "settings."
                    noteAlignment: Qt.AlignLeft
                }
                PlainLabel {
                    objectName: "settingsKeychainNotice"
                    visible: text.length > 0
                    text: page.signIn.keychainNotice
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
                PlainLabel {
                    objectName: "settingsSignInError"
                    visible: text.length > 0
                    text: page.signIn.errorMessage
                    color: "#ff453a"
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
                Button {
                    objectName: "changeClientIDButton"
                    text: qsTr("Change Client ID")
                    flat: true
                    onClicked: clientIDEditor.visible = !clientIDEditor.visible
                }
                ColumnLayout {
                    id: clientIDEditor
                    objectName: "clientIDEditor"
                    visible: false
                    Layout.fillWidth: true
                    PlainLabel { text: qsTr("Redirect URI: %1").arg(page.signIn.redirectURI); opacity: 0.7 }
                    // A label of its own: the placeholder goes once the field is filled.
                    PlainLabel {
                        id: settingsClientIDLabel
                        objectName: "settingsClientIDLabel"
                        text: qsTr("Spotify Client ID")
                    }
                    TextField {
                        objectName: "settingsClientIDField"
                        Accessible.name: settingsClientIDLabel.text
                        placeholderText: qsTr("Spotify Client ID")
                        text: page.signIn.clientID
                        inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhNoAutoUppercase
                        onTextEdited: page.signIn.clientID = text
                        Layout.preferredWidth: 360
                    }
                }
            }

            SettingsSection {
                objectName: "appearanceSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Appearance")
                RowLayout {
                    PlainLabel { text: qsTr("Album Display") }
                    ComboBox {
                        objectName: "albumDisplayPicker"
                        model: SettingsTexts.displayStyleLabels
                        currentIndex: page.displayPreferences.displayStyleIndex
                        onActivated: index => page.displayPreferences.displayStyleIndex = index
                        Layout.preferredWidth: 240
                    }
                }
            }

            SettingsSection {
                objectName: "filteringSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Filtering")
                caption: SettingsTexts.filteringCaption
                RowLayout {
                    PlainLabel {
                        id: minTracksLabel
                        text: qsTr("Minimum Tracks per Album")
                    }
                    Slider {
                        objectName: "minTracksSlider"
                        Accessible.name: minTracksLabel.text
                        from: SettingsTexts.minTracksLowest
                        to: SettingsTexts.minTracksHighest
                        stepSize: 1
                        snapMode: Slider.SnapAlways
                        value: page.filterSettings.minTracksPerAlbum
                        onMoved: page.filterSettings.minTracksPerAlbum = SettingsTexts.minTracksFromSlider(value)
                        Layout.preferredWidth: 220
                    }
                    PlainLabel {
                        objectName: "minTracksValue"
                        text: page.filterSettings.minTracksPerAlbum
                    }
                }
            }

            SettingsSection {
                objectName: "aboutSection"
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("About")
                RowLayout {
                    PlainLabel { text: qsTr("Version") }
                    Item { Layout.fillWidth: true }
                    PlainLabel {
                        objectName: "versionLine"
                        text: SettingsTexts.versionLine
                        opacity: 0.7
                    }
                }
                Button {
                    objectName: "whatsNewButton"
                    text: qsTr("What's New")
                    flat: true
                    onClicked: page.showsChangelog = true
                }
            }

            Item { Layout.preferredHeight: 12 }
        }
    }

    Loader {
        id: changelog
        anchors.fill: parent
        active: page.showsChangelog
        source: "ChangelogView.qml"
    }
    Connections {
        target: changelog.item
        function onDone() { page.showsChangelog = false }
    }
}
