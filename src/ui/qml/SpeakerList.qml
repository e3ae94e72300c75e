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

    Label {
        objectName: "speakerTitle"
        text: list.speakers.title
        opacity: 0.7
    }

    RowLayout {
        objectName: "speakerAccessProblem"
        visible: list.speakers.accessProblem.length > 0
        Layout.fillWidth: true
        SymbolImage { symbol: "exclamationmark.triangle" }
        Label {
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
        ColumnLayout {
            width: parent.width
            spacing: 0
            Repeater {
                model: list.speakers.rows
                ItemDelegate {
                    id: row
                    required property var modelData
                    objectName: "speakerRow:" + modelData.id
                    Layout.fillWidth: true
                    onClicked: list.speakers.choose(modelData.id)
                    contentItem: RowLayout {
                        spacing: 10
                        SymbolImage { symbol: row.modelData.symbol; size: 20 }
                        Label {
                            objectName: "speakerName:" + row.modelData.id
                            text: row.modelData.name
                            elide: Text.ElideRight
                            maximumLineCount: 1
                            Layout.fillWidth: true
                        }
                        LegacyPill {
                            objectName: "legacyPill:" + row.modelData.id
                            visible: row.modelData.isLegacy
                            text: list.speakers.legacyLabel
                            accessibleName: list.speakers.legacyAccessibleName
                        }
                        SymbolImage {
                            objectName: "speakerCheck:" + row.modelData.id
                            symbol: "checkmark"
                            opacity: row.modelData.isSelected ? 1 : 0
                        }
                    }
                }
            }
            Label {
                objectName: "speakerEmptyText"
                visible: text.length > 0
                text: list.speakers.emptyText
                opacity: 0.7
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 24
                Layout.bottomMargin: 24
            }
        }
    }

    Label {
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
