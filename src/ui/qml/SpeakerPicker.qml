import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The speaker sheet for local albums, closed with "Done". Opening it looks
// for speakers; closing it stops looking.
Sheet {
    id: picker
    objectName: "speakerPicker"
    required property SpeakerListPresenter speakers

    preferredWidth: Sizes.wideWidth
    preferredHeight: Sizes.tallSheetHeight
    padding: 16

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
