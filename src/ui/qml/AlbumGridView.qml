import QtQuick
import QtQuick.Controls
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
    // Cells leaving the view are handed to the ones coming in rather than
    // made anew: a scroll then creates no items.
    reuseItems: true
    ScrollBar.vertical: ScrollBar {}

    FontMetrics { id: metrics }

    delegate: AlbumCell {
        id: cell
        width: (cell.GridView.view as AlbumGridView).cellWidth
        height: (cell.GridView.view as AlbumGridView).cellHeight
        coverSize: (cell.GridView.view as AlbumGridView).coverSize
        showsDetails: (cell.GridView.view as AlbumGridView).showsDetails
        detailsHeight: (cell.GridView.view as AlbumGridView).detailsHeight
        onClicked: (cell.GridView.view as AlbumGridView).albumClicked(cell.albumID)
    }
}
