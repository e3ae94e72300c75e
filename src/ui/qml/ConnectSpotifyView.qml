import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The sign-in screen, shown while Spotify is a chosen source and no token set
// is stored.
Page {
    id: view
    objectName: "connectSpotifyView"
    required property SpotifySignIn signIn

    ScrollView {
        anchors.fill: parent
        contentWidth: availableWidth

        ColumnLayout {
            width: Math.min(parent.width, 560)
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 16

            Item { Layout.preferredHeight: 24 }

            SymbolImage {
                Layout.alignment: Qt.AlignHCenter
                symbol: "music.note.list"
                size: 56
            }
            PlainLabel {
                objectName: "connectTitle"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Connect Your Spotify Account")
                font.pixelSize: 24
                font.bold: true
            }
            PlainLabel {
                objectName: "connectSubtitle"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                opacity: 0.7
                text: qsTr("Sign in with your Spotify account to load your library and control playback.")
            }
            PlainLabel {
                objectName: "connectKeychainNotice"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                visible: text.length > 0
                text: view.signIn.keychainNotice
            }

            // Setup steps, while the user has no Spotify app of their own.
            ColumnLayout {
                objectName: "clientIDInstructions"
                visible: view.signIn.showsClientIDInstructions
                Layout.fillWidth: true
                spacing: 6
                PlainLabel {
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    text: qsTr("Korvid needs a free Spotify developer app to talk to the Spotify API on your behalf.")
                }
                PlainLabel {
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    text: qsTr("1. Create an app on the Spotify developer dashboard (%1).").arg(view.signIn.dashboardURL)
                }
                PlainLabel {
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    text: qsTr("2. Add this Redirect URI in the app's settings:")
                }
                RowLayout {
                    objectName: "SpotifyClientIDField"
                    Layout.leftMargin: 16
                    PlainLabel { text: qsTr("Redirect URI: ") }
                    TextField {
                        objectName: "redirectURIField"
                        readOnly: true
                        selectByMouse: true
                        text: view.signIn.redirectURI
                        Layout.fillWidth: true
                    }
                }
                PlainLabel {
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    text: qsTr("3. Paste the app's Client ID below and connect.")
                }
            }

            // A label of its own: the placeholder goes once the field is filled.
            PlainLabel {
                id: clientIDLabel
                objectName: "clientIDLabel"
                text: qsTr("Spotify Client ID")
            }
            TextField {
                objectName: "clientIDField"
                Accessible.name: clientIDLabel.text
                Layout.fillWidth: true
                placeholderText: qsTr("Spotify Client ID")
                inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhNoAutoUppercase
                text: view.signIn.clientID
                onTextEdited: view.signIn.clientID = text
            }

            Button {
                objectName: "connectButton"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Connect to Spotify")
                highlighted: true
                enabled: view.signIn.hasClientID && !view.signIn.isSigningIn
                onClicked: view.signIn.connectSpotify()
            }

            SignInProgress {
                Layout.fillWidth: true
                signIn: view.signIn
            }

            PlainLabel {
                objectName: "signInError"
                visible: text !== ""
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                color: "#d9534f"
                text: view.signIn.errorMessage
            }

            Button {
                objectName: "useLocalMusicButton"
                Layout.alignment: Qt.AlignHCenter
                flat: true
                text: qsTr("Use Local Music Only")
                onClicked: view.signIn.useLocalMusicOnly()
            }

            Item { Layout.preferredHeight: 24 }
        }
    }
}
