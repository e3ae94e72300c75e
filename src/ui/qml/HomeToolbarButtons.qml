import QtQuick
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

    Sheet {
        id: devicesSheet
        objectName: "spotifyDevicesSheet"
        padding: 0
        preferredHeight: Sizes.listSheetHeight
        DevicePickerView {
            anchors.fill: parent
            devices: buttons.devices
        }
    }
}
