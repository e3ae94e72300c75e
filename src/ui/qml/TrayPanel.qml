import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// The panel the tray icon opens: now playing, recent albums, more alike.
ApplicationWindow {
    id: panel
    objectName: "trayPanel"
    title: "Korvid"
    width: 320
    height: 360
    flags: Qt.Tool | Qt.FramelessWindowHint

    required property AppearanceModel appearance
    Material.theme: appearance.dark ? Material.Dark : Material.Light
    Material.accent: appearance.tint

    onActiveChanged: if (!active) panel.hide()

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        Label {
            objectName: "trayNowPlaying"
            text: qsTr("Not Playing")
            font.bold: true
        }
        Label { text: qsTr("Recently Played"); opacity: 0.7 }
        Label { text: qsTr("No albums yet"); opacity: 0.5 }
        Label { text: qsTr("More Like This"); opacity: 0.7 }
        Label { text: qsTr("No albums yet"); opacity: 0.5 }
        Item { Layout.fillHeight: true }
    }
}
