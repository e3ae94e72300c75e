import QtQuick
import QtQuick.Controls.Material

// The card behind sheets and alerts, drawn the same with every renderer.
Rectangle {
    color: Material.dialogColor
    radius: 8
    border.color: Material.dividerColor
}
