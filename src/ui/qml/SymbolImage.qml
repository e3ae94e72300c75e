import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import Korvid

// An icon named by its symbol, drawn from the icon theme or the bundled set.
IconLabel {
    property string symbol
    property int size: 16
    icon.name: Icons.themeName(symbol)
    icon.source: Icons.fallback(symbol)
    icon.width: size
    icon.height: size
    icon.color: Material.foreground
    display: AbstractButton.IconOnly
}
