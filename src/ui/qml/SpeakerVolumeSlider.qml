import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// One speaker's own level in a group, sent once let go as the player bar's
// volume is. `name` is its tool tip and what a screen reader says.
RowLayout {
    id: volume
    required property string name
    required property real level
    signal committed(real level)
    spacing: 4

    SymbolImage { symbol: "speaker.fill" }
    Slider {
        id: slider
        objectName: volume.objectName + ":slider"
        Accessible.name: volume.name
        Layout.fillWidth: true
        from: 0
        to: 100
        value: volume.level
        onMoved: if (!slider.pressed) volume.committed(slider.value)
        onPressedChanged: if (!slider.pressed) volume.committed(slider.value)

        PlainToolTip {
            visible: slider.hovered
            delay: 500
            text: volume.name
        }
    }
    SymbolImage { symbol: "speaker.wave.3.fill" }
}
