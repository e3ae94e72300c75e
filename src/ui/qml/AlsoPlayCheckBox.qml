import QtQuick
import QtQuick.Controls
import Korvid

// The check that adds a legacy speaker to the one playing; its text is also
// its tool tip and what a screen reader says.
CheckBox {
    id: box
    Accessible.name: text

    PlainToolTip {
        visible: box.hovered
        delay: 500
        text: box.text
    }
}
