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
    // A person clicked the album with this id.
    signal albumClicked(string albumID)

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
    }
}
