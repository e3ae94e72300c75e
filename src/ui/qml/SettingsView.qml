import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Settings: source, appearance, filtering and the program's version.
Page {
    objectName: "settingsView"
    title: "Settings"

    StackView {
        id: settingsStack
        anchors.fill: parent
        initialItem: settingsForm
    }

    Component {
        id: settingsForm
        ScrollView {
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
                    title: "Music Source"
                    caption: settingsTexts.sourceCaption
                    RowLayout {
                        Repeater {
                            model: settingsTexts.sourceLabels
                            RadioButton {
                                objectName: "sourceOption" + index
                                text: modelData
                                checked: sourceSettings.current === index
                                onClicked: sourceSettings.current = index
                            }
                        }
                    }
                }

                SettingsSection {
                    objectName: "localMusicSection"
                    Layout.leftMargin: 24
                    Layout.rightMargin: 24
                    title: "Local Music"
                    caption: localMusic.caption
                    RowLayout {
                        visible: localMusic.isAuthorized
                        SymbolImage { symbol: "checkmark.circle.fill" }
                        Label { objectName: "accessGranted"; text: "Access Granted" }
                        BusyIndicator {
                            running: localMusic.isScanning
                            visible: running
                            Layout.preferredHeight: 24
                            Layout.preferredWidth: 24
                        }
                    }
                    Button {
                        objectName: "scanMusicFolderButton"
                        visible: !localMusic.isAuthorized
                        text: "Scan Music Folder"
                        onClicked: localMusic.scan()
                    }
                }

                SettingsSection {
                    objectName: "spotifyAccountSection"
                    Layout.leftMargin: 24
                    Layout.rightMargin: 24
                    title: "Spotify Account"
                    RowLayout {
                        visible: spotifySignIn.isAuthenticated
                        SymbolImage { symbol: "checkmark.circle.fill" }
                        Label { objectName: "spotifyConnected"; text: "Connected" }
                        Button {
                            objectName: "disconnectButton"
                            text: "Disconnect"
                            flat: true
                            onClicked: spotifySignIn.disconnectSpotify()
                        }
                    }
                    RowLayout {
                        visible: !spotifySignIn.isAuthenticated
                        Button {
                            objectName: "settingsConnectButton"
                            text: "Connect to Spotify"
                            enabled: !spotifySignIn.isSigningIn
                            onClicked: spotifySignIn.connectSpotify()
                        }
                        Button {
                            objectName: "settingsCancelSignIn"
                            visible: spotifySignIn.isSigningIn
                            text: "Cancel"
                            flat: true
                            onClicked: spotifySignIn.cancel()
                        }
                    }
                    Label {
                        objectName: "settingsSignInError"
                        visible: text.length > 0
                        text: spotifySignIn.errorMessage
                        color: "#ff453a"
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                    Button {
                        objectName: "changeClientIDButton"
                        text: "Change Client ID"
                        flat: true
                        onClicked: clientIDEditor.visible = !clientIDEditor.visible
                    }
                    ColumnLayout {
                        id: clientIDEditor
                        objectName: "clientIDEditor"
                        visible: false
                        Layout.fillWidth: true
                        Label { text: "Redirect URI: " + spotifySignIn.redirectURI; opacity: 0.7 }
                        TextField {
                            objectName: "settingsClientIDField"
                            placeholderText: "Spotify Client ID"
                            text: spotifySignIn.clientID
                            inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhNoAutoUppercase
                            onTextEdited: spotifySignIn.clientID = text
                            Layout.preferredWidth: 360
                        }
                    }
                }

                SettingsSection {
                    objectName: "appearanceSection"
                    Layout.leftMargin: 24
                    Layout.rightMargin: 24
                    title: "Appearance"
                    RowLayout {
                        Label { text: "Album Display" }
                        ComboBox {
                            objectName: "albumDisplayPicker"
                            model: settingsTexts.displayStyleLabels
                            currentIndex: displayPreferences.displayStyleIndex
                            onActivated: index => displayPreferences.displayStyleIndex = index
                            Layout.preferredWidth: 240
                        }
                    }
                }

                SettingsSection {
                    objectName: "filteringSection"
                    Layout.leftMargin: 24
                    Layout.rightMargin: 24
                    title: "Filtering"
                    caption: settingsTexts.filteringCaption
                    RowLayout {
                        Label { text: "Minimum Tracks per Album" }
                        Slider {
                            objectName: "minTracksSlider"
                            from: settingsTexts.minTracksLowest
                            to: settingsTexts.minTracksHighest
                            stepSize: 1
                            snapMode: Slider.SnapAlways
                            value: filterSettings.minTracksPerAlbum
                            onMoved: filterSettings.minTracksPerAlbum = settingsTexts.minTracksFromSlider(value)
                            Layout.preferredWidth: 220
                        }
                        Label {
                            objectName: "minTracksValue"
                            text: filterSettings.minTracksPerAlbum
                        }
                    }
                }

                SettingsSection {
                    objectName: "aboutSection"
                    Layout.leftMargin: 24
                    Layout.rightMargin: 24
                    title: "About"
                    RowLayout {
                        Label { text: "Version" }
                        Item { Layout.fillWidth: true }
                        Label {
                            objectName: "versionLine"
                            text: settingsTexts.versionLine
                            opacity: 0.7
                        }
                    }
                    Button {
                        objectName: "whatsNewButton"
                        text: "What's New"
                        flat: true
                        onClicked: settingsStack.push(changelogPage)
                    }
                }

                Item { Layout.preferredHeight: 12 }
            }
        }
    }

    Component {
        id: changelogPage
        ChangelogView {
            onDone: settingsStack.pop()
        }
    }
}
