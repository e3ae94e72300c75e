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
            readonly property SpeakerListPresenter speakers: (row.parent as SpeakerRows).speakers
            objectName: "speakerRow:" + modelData.id
            Accessible.name: modelData.name
            Layout.fillWidth: true
            onClicked: row.speakers.choose(modelData.id)
            contentItem: ColumnLayout {
                spacing: 4
                RowLayout {
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
                        text: row.speakers.legacyLabel
                        accessibleName: row.speakers.legacyAccessibleName
                    }
                    // Another legacy speaker plays along with the selected one.
                    AlsoPlayCheckBox {
                        objectName: "alsoPlay:" + row.modelData.id
                        visible: row.modelData.canAlsoPlay
                        text: row.speakers.alsoPlayLabel
                        Accessible.description: row.modelData.name
                        checked: row.modelData.alsoPlays
                        onToggled: row.speakers.setAlsoPlaying(row.modelData.id, checked)
                    }
                    SymbolImage {
                        objectName: "speakerCheck:" + row.modelData.id
                        symbol: "checkmark"
                        opacity: row.modelData.isSelected ? 1 : 0
                    }
                }
                // Each speaker of a group has its own level.
                SpeakerVolumeSlider {
                    objectName: "speakerVolume:" + row.modelData.id
                    visible: row.modelData.inGroup
                    Layout.leftMargin: 30
                    name: row.modelData.volumeName
                    level: row.modelData.volume
                    onCommitted: level => row.speakers.setVolume(row.modelData.id, level)
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
