import QtQuick
import QtQuick.Controls
import Korvid

// A flat button showing one symbol.
ToolButton {
    property string symbol
    property int size: 20
    icon.name: Icons.themeName(symbol)
    icon.source: Icons.fallback(symbol)
    icon.width: size
    icon.height: size
    display: AbstractButton.IconOnly
}
