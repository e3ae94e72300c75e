import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The speakers local albums can play on; choosing one plays there.
ColumnLayout {
    id: list
    objectName: "speakerList"
    required property SpeakerListPresenter speakers
    spacing: 6

    PlainLabel {
        objectName: "speakerTitle"
        text: list.speakers.title
        opacity: 0.7
    }

    RowLayout {
        objectName: "speakerAccessProblem"
        visible: list.speakers.accessProblem.length > 0
        Layout.fillWidth: true
        SymbolImage { symbol: "exclamationmark.triangle" }
        PlainLabel {
            objectName: "speakerAccessProblemText"
            text: list.speakers.accessProblem
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }

    ScrollView {
        Layout.fillWidth: true
        Layout.fillHeight: true
        contentWidth: availableWidth
        SpeakerRows {
            width: parent.width
            speakers: list.speakers
        }
    }

    PlainLabel {
        objectName: "speakerFootnote"
        text: list.speakers.footnote
        wrapMode: Text.WordWrap
        opacity: 0.65
        font.pixelSize: 12
        // Wraps to the sheet's width instead of asking for its own.
        Layout.preferredWidth: 1
        Layout.fillWidth: true
    }
}
