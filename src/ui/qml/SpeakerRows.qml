import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The rows of the speaker list, then its empty text.
ColumnLayout {
    id: rows
    required property SpeakerListPresenter speakers
    spacing: 0
    Repeater {
        model: rows.speakers.rows
        ItemDelegate {
            id: row
            required property var modelData
            objectName: "speakerRow:" + modelData.id
            Accessible.name: modelData.name
            Layout.fillWidth: true
            onClicked: (row.parent as SpeakerRows).speakers.choose(modelData.id)
            contentItem: RowLayout {
                spacing: 10
                SymbolImage { symbol: row.modelData.symbol; size: 20 }
                PlainLabel {
                    objectName: "speakerName:" + row.modelData.id
                    text: row.modelData.name
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    Layout.fillWidth: true
                }
                LegacyPill {
                    objectName: "legacyPill:" + row.modelData.id
                    visible: row.modelData.isLegacy
                    text: (row.parent as SpeakerRows).speakers.legacyLabel
                    accessibleName: (row.parent as SpeakerRows).speakers.legacyAccessibleName
                }
                SymbolImage {
                    objectName: "speakerCheck:" + row.modelData.id
                    symbol: "checkmark"
                    opacity: row.modelData.isSelected ? 1 : 0
                }
            }
        }
    }
    PlainLabel {
        objectName: "speakerEmptyText"
        visible: text.length > 0
        text: rows.speakers.emptyText
        opacity: 0.7
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 24
        Layout.bottomMargin: 24
    }
}
