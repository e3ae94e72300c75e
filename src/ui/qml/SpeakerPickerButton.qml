import QtQuick
import QtQuick.Controls
import Korvid

// A toolbar button with the selected speaker's symbol that opens the speaker sheet.
SymbolButton {
    id: button
    objectName: "speakerPickerButton"
    required property SpeakerListPresenter speakers
    symbol: speakers.buttonSymbol
    onClicked: picker.open()

    PlainToolTip {
        visible: button.hovered
        text: button.speakers.header
    }

    SpeakerPicker {
        id: picker
        speakers: button.speakers
    }
}
