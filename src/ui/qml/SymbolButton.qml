import QtQuick
import QtQuick.Controls
import Korvid

// A flat button showing one symbol. Its text is never drawn: it is the tool
// tip and what a screen reader says, so every such button must have one.
ToolButton {
    id: button
    required text
    property string symbol
    property int size: 20
    icon.name: Icons.themeName(symbol)
    icon.source: Icons.fallback(symbol)
    icon.width: size
    icon.height: size
    display: AbstractButton.IconOnly
    Accessible.name: text

    PlainToolTip {
        visible: button.hovered
        delay: 500
        text: button.text
    }
}
