import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The speaker sheet for local albums, closed with "Done". Opening it looks
// for speakers; closing it stops looking.
Popup {
    id: picker
    objectName: "speakerPicker"
    required property SpeakerListPresenter speakers

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 48 : 480, 480)
    height: Math.min(parent ? parent.height - 48 : 560, 560)
    modal: true
    padding: 16
    background: SheetBackground {}

    onAboutToShow: speakers.open()
    onAboutToHide: speakers.close()

    contentItem: ColumnLayout {
        spacing: 8
        RowLayout {
            Layout.fillWidth: true
            PlainLabel {
                objectName: "speakerHeader"
                text: picker.speakers.header
                font.bold: true
                font.pixelSize: 17
                Layout.fillWidth: true
            }
            Button {
                objectName: "speakerPickerDone"
                text: qsTr("Done")
                flat: true
                onClicked: picker.close()
            }
        }
        SpeakerList {
            speakers: picker.speakers
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
    }
}
