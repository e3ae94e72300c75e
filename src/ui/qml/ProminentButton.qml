import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Controls.impl
import QtQuick.Layouts

// The main action of a sheet, filled with the accent colour.
Button {
    id: button
    Material.foreground: "white"
    // The text may hold a speaker's name: shown as written, never as markup.
    contentItem: RowLayout {
        spacing: button.spacing
        Item { Layout.fillWidth: true }
        IconImage {
            name: button.icon.name
            source: button.icon.source
            sourceSize.width: button.icon.width
            sourceSize.height: button.icon.height
            color: button.Material.foreground
            visible: name !== "" || source != ""
        }
        PlainLabel {
            text: button.text
            font: button.font
            color: button.Material.foreground
            elide: Text.ElideRight
            Layout.fillWidth: implicitWidth > button.availableWidth
        }
        Item { Layout.fillWidth: true }
    }
    background: Rectangle {
        implicitHeight: 40
        radius: 4
        color: button.down ? Qt.darker(button.Material.accent, 1.2) : button.Material.accent
    }
}
