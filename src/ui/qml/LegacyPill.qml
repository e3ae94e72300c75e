import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The capsule that marks a legacy AirPlay 1 speaker.
Rectangle {
    id: pill
    property alias text: label.text
    property string accessibleName
    implicitWidth: label.implicitWidth + 14
    implicitHeight: label.implicitHeight + 4
    radius: height / 2
    color: "transparent"
    border.color: Material.foreground
    border.width: 1
    opacity: 0.75
    Accessible.role: Accessible.StaticText
    Accessible.name: accessibleName

    PlainLabel {
        id: label
        anchors.centerIn: parent
        font.pixelSize: 11
    }
}
