import QtQuick
import Korvid

// A toolbar button with the selected speaker's symbol that opens the speaker sheet.
SymbolButton {
    id: button
    objectName: "speakerPickerButton"
    required property SpeakerListPresenter speakers
    symbol: speakers.buttonSymbol
    text: speakers.header
    onClicked: picker.open()

    SpeakerPicker {
        id: picker
        speakers: button.speakers
    }
}
