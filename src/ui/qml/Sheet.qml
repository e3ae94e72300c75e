import QtQuick
import QtQuick.Controls
import Korvid

// A modal sheet centred over the window, as wide as it prefers but never
// wider than the window leaves; as tall as its content unless it asks for a
// height (a list that scrolls).
Popup {
    id: sheet
    property int preferredWidth: Sizes.narrowWidth
    // 0: as tall as the content.
    property int preferredHeight: 0

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: Sizes.sheetPadding
    background: SheetBackground {}
    width: Math.min(parent ? parent.width - Sizes.windowMargin : preferredWidth, preferredWidth)
    height: preferredHeight > 0
            ? Math.min(parent ? parent.height - 2 * Sizes.windowMargin : preferredHeight,
                       preferredHeight)
            : implicitHeight
}
