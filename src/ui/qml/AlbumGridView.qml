pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import Korvid

// Albums in a grid whose columns follow the thumbnail size: each column at
// least that wide and at most 1.45 times it, 16 apart. The model has the
// roles albumID, title, artistNames, genre, artwork (an image address) and
// isPlaying.
GridView {
    id: grid
    objectName: "albumGrid"

    required property DisplayPreferences preferences
    // A person clicked the album with this id, or pressed Enter on it.
    signal albumClicked(string albumID)
    // The scrolling page around a grid that does not scroll itself; the
    // focused cell is kept inside it.
    property Flickable page: null
    // How much of the grid a person sees at once, for Page Up and Down.
    readonly property real visibleHeight: page ? page.height : height
    // The cell under the mouse, whose album the tool tip names.
    property AlbumCell hoveredCell: null

    readonly property real spacing: 16
    // Each cell holds its cover and half the spacing on either side.
    readonly property var columns: preferences.gridColumns(width - spacing,
                                                           preferences.thumbnailSize)
    // Whole pixels: a cover drawn at its own size and place is copied onto
    // the frame, one a fraction off is filtered anew in every frame.
    readonly property real coverSize: Math.floor(columns.cellWidth)
    readonly property bool showsDetails: preferences.showsDetails
    readonly property real detailsHeight: 4 + 2 * metrics.height

    clip: true
    activeFocusOnTab: true
    // Arrow keys move between albums also where the page scrolls, not the grid.
    keyNavigationEnabled: true
    Accessible.role: Accessible.List
    Keys.onPressed: event => {
        const perPage = columns.count * Math.max(1, Math.floor(visibleHeight / cellHeight))
        if (event.key === Qt.Key_Home)
            currentIndex = 0
        else if (event.key === Qt.Key_End)
            currentIndex = count - 1
        else if (event.key === Qt.Key_PageDown)
            currentIndex = Math.min(count - 1, currentIndex + perPage)
        else if (event.key === Qt.Key_PageUp)
            currentIndex = Math.max(0, currentIndex - perPage)
        else
            return
        event.accepted = true
    }
    function showCurrent() {
        if (!page || !currentItem || !activeFocus)
            return
        const box = currentItem.mapToItem(page.contentItem, 0, 0)
        if (box.y + currentItem.height > page.contentY + page.height)
            page.contentY = box.y + currentItem.height - page.height
        else if (box.y < page.contentY)
            page.contentY = box.y
    }
    onCurrentItemChanged: showCurrent()
    onActiveFocusChanged: showCurrent()

    // One tip for the grid, under the cell the mouse is on; it stays the
    // grid's own, as a cell may be handed to another album at any time.
    PlainToolTip {
        objectName: "albumToolTip"
        readonly property AlbumCell cell: grid.hoveredCell
        visible: cell !== null
        delay: 500
        text: cell ? cell.accessibleName : ""
        x: cell ? cell.x - grid.contentX + (cell.width - width) / 2 : 0
        y: cell ? cell.y - grid.contentY + cell.height - grid.spacing : 0
    }
    cellWidth: Math.floor(width / columns.count)
    cellHeight: Math.ceil(coverSize + spacing + (showsDetails ? detailsHeight : 0))
    cacheBuffer: cellHeight * 2
    // Asks for the cells leaving the view to be handed to those coming in.
    // Debian 12's Qt (6.4) still makes a new cell for every album that
    // scrolls in, which is why a cell is kept light.
    reuseItems: true
    ScrollBar.vertical: ScrollBar {}

    FontMetrics { id: metrics }
    // Labels' fonts and colours, for the cells to draw their text with.
    PlainLabel {
        id: labelStyle
        visible: false
    }
    PlainLabel {
        id: titleStyle
        visible: false
        font.bold: true
    }

    // Bound to this grid directly: a cell is made for every album that
    // scrolls in, and each of these is evaluated then.
    delegate: AlbumCell {
        id: cell
        width: grid.cellWidth
        height: grid.cellHeight
        coverSize: grid.coverSize
        showsDetails: grid.showsDetails
        detailsHeight: grid.detailsHeight
        titleFont: titleStyle.font
        textFont: labelStyle.font
        textColor: labelStyle.color
        accentColor: labelStyle.Material.accent
        // A faint grey over the window's background, mixed here once.
        coverColor: Qt.tint(labelStyle.Material.background, Qt.rgba(0.5, 0.5, 0.5, 0.18))
        onClicked: grid.albumClicked(cell.albumID)
        onHoveredChanged: {
            if (hovered)
                grid.hoveredCell = cell
            else if (grid.hoveredCell === cell)
                grid.hoveredCell = null
        }
    }
}
