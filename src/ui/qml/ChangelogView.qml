import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Controls.Material
import Korvid

// "What's New": one section per release with its changes.
Page {
    id: page
    objectName: "changelogView"
    title: qsTr("What's New")
    signal done()

    header: ToolBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "changelogBack"
                text: qsTr("Settings")
                onClicked: page.done()
            }
            PlainLabel {
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
        model: Changelog.sections
        delegate: ColumnLayout {
            id: release
            required property var modelData
            width: ListView.view.width
            spacing: 6
            PlainLabel {
                objectName: "releaseHeader"
                text: release.modelData.header
                font.bold: true
                font.pixelSize: 16
            }
            PlainLabel { text: release.modelData.title }
            PlainLabel {
                objectName: "releaseDate"
                text: release.modelData.dateText
                opacity: 0.6
                font.pixelSize: 12
            }
            Repeater {
                model: release.modelData.changes
                RowLayout {
                    id: change
                    required property var modelData
                    Layout.fillWidth: true
                    spacing: 8
                    PlainLabel {
                        objectName: "kindPill"
                        text: change.modelData.pill
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
                            color: change.modelData.kind === "new" ? Material.accent
                                 : change.modelData.kind === "improved" ? "#007aff" : "#ff9500"
                        }
                    }
                    PlainLabel {
                        text: change.modelData.text
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                }
            }
        }
    }
}
