import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Controls.Material

// "What's New": one section per release with its changes.
Page {
    id: page
    objectName: "changelogView"
    title: "What's New"
    signal done()

    header: ToolBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "changelogBack"
                text: "Settings"
                onClicked: page.done()
            }
            Label {
                text: page.title
                font.bold: true
                Layout.fillWidth: true
            }
        }
    }

    ListView {
        id: releases
        objectName: "releaseList"
        anchors.fill: parent
        anchors.margins: 24
        spacing: 20
        clip: true
        model: changelog.sections
        delegate: ColumnLayout {
            width: releases.width
            spacing: 6
            Label {
                objectName: "releaseHeader"
                text: modelData.header
                font.bold: true
                font.pixelSize: 16
            }
            Label { text: modelData.title }
            Label {
                objectName: "releaseDate"
                text: modelData.dateText
                opacity: 0.6
                font.pixelSize: 12
            }
            Repeater {
                model: modelData.changes
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 8
                    Label {
                        objectName: "kindPill"
                        text: modelData.pill
                        color: "white"
                        font.pixelSize: 11
                        font.bold: true
                        leftPadding: 8
                        rightPadding: 8
                        topPadding: 2
                        bottomPadding: 2
                        Layout.alignment: Qt.AlignTop
                        background: Rectangle {
                            radius: height / 2
                            color: modelData.kind === "new" ? Material.accent
                                 : modelData.kind === "improved" ? "#007aff" : "#ff9500"
                        }
                    }
                    Label {
                        text: modelData.text
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                }
            }
        }
    }
}
