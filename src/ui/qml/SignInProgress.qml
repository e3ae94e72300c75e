import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// While the browser is open for the Spotify sign-in: a note that Korvid
// waits, a way to cancel, and a field for the address the browser ended on
// when it cannot hand it over by itself. The sign-in screen and Settings
// both show it.
ColumnLayout {
    id: progress
    required property SpotifySignIn signIn
    // Put before each part's name, so two of these can be told apart.
    property string namePrefix
    // Where the waiting note sits in the width it has.
    property int noteAlignment: Qt.AlignHCenter
    spacing: 6

    RowLayout {
        objectName: progress.namePrefix + "signInProgress"
        visible: progress.signIn.isSigningIn
        Layout.alignment: progress.noteAlignment
        BusyIndicator {
            running: progress.signIn.isSigningIn
            implicitWidth: 24
            implicitHeight: 24
        }
        PlainLabel { text: qsTr("Waiting for Spotify in your browser…") }
        Button {
            objectName: progress.namePrefix + "cancelSignInButton"
            text: qsTr("Cancel")
            onClicked: progress.signIn.cancel()
        }
    }
    RowLayout {
        objectName: progress.namePrefix + "pasteCallbackRow"
        visible: progress.signIn.authorizationURL !== ""
        Layout.fillWidth: true
        TextField {
            id: pastedAddress
            objectName: progress.namePrefix + "callbackField"
            Accessible.name: qsTr("Address the browser ended on")
            Layout.fillWidth: true
            placeholderText: "korvid://callback?…"
            selectByMouse: true
        }
        Button {
            objectName: progress.namePrefix + "submitCallbackButton"
            text: qsTr("Continue")
            enabled: pastedAddress.text.length > 0
            onClicked: {
                progress.signIn.submitCallback(pastedAddress.text)
                pastedAddress.text = ""
            }
        }
    }
}
