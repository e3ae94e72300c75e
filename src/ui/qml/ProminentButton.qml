import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The main action of a sheet, filled with the accent colour.
Button {
    id: button
    Material.foreground: "white"
    background: Rectangle {
        implicitHeight: 40
        radius: 4
        color: button.down ? Qt.darker(button.Material.accent, 1.2) : button.Material.accent
    }
}
