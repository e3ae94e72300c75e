import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// Home's toolbar buttons: the speaker sheet for local albums and, when
// Spotify is a source, the Spotify Connect devices under an icon of their own.
RowLayout {
    id: buttons
    required property SpeakerListPresenter speakers
    required property DeviceListModel devices
    property bool showsSpotify: true
    spacing: 4

    SymbolButton {
        id: devicesButton
        objectName: "spotifyDevicesButton"
        visible: buttons.showsSpotify
        symbol: "airplayaudio"
        text: buttons.devices.title
        onClicked: devicesSheet.open()
    }
    SpeakerPickerButton {
        speakers: buttons.speakers
        symbol: "hifispeaker.fill"
    }

    Popup {
        id: devicesSheet
        objectName: "spotifyDevicesSheet"
        parent: Overlay.overlay
        modal: true
        focus: true
        padding: 0
        anchors.centerIn: parent
        width: Math.min(parent ? parent.width - 48 : 420, 420)
        height: Math.min(parent ? parent.height - 96 : 480, 480)
        background: SheetBackground {}
        DevicePickerView {
            anchors.fill: parent
            devices: buttons.devices
        }
    }
}
