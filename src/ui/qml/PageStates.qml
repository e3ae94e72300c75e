import QtQuick
import QtQuick.Controls
import Korvid

// What an album page says instead of, or over, its albums: the first
// reading of the music folder, a load under way, a failed load and an empty
// page, with which one shows decided here once. It fills the area it is
// put in; its parts are named by `namePrefix` ("home" gives "homeLoading").
Item {
    id: states
    required property string namePrefix
    required property EmptyStatePresenter emptyStates
    required property bool hasAlbums
    required property bool loading
    required property string errorMessage
    required property string errorTitle
    required property string symbol
    required property string emptyTitle
    required property string emptyMessage
    // False where nothing shown is no empty page (a search that found nothing).
    property bool mayBeEmpty: true

    readonly property bool reading: !hasAlbums && mayBeEmpty && emptyStates.readingMusicFolder
    readonly property real messageWidth: Math.min(width - Sizes.windowMargin, Sizes.narrowWidth)

    // Centred on an empty page; small in the corner over albums already shown.
    BusyIndicator {
        objectName: states.namePrefix + "Loading"
        anchors.centerIn: states.hasAlbums ? undefined : parent
        anchors.top: states.hasAlbums ? parent.top : undefined
        anchors.right: states.hasAlbums ? parent.right : undefined
        anchors.margins: 12
        width: states.hasAlbums ? 32 : implicitWidth
        height: width
        // An empty page tells of a first reading in words instead.
        running: states.loading && !states.reading
        visible: running
    }

    // The first reading of a music folder can take a while: say so, and
    // how far it got, rather than that there is nothing.
    EmptyState {
        objectName: states.namePrefix + "Reading"
        anchors.centerIn: parent
        width: states.messageWidth
        visible: states.reading
        symbol: states.symbol
        busy: true
        title: states.emptyStates.readingTitle
        message: states.emptyStates.readingMessage
    }

    // Shown whenever a load failed: over the albums of an earlier load too,
    // which would otherwise pass for current.
    Pane {
        anchors.centerIn: parent
        visible: states.errorMessage !== ""
        contentWidth: Math.min(states.width - 2 * Sizes.windowMargin, Sizes.narrowWidth)
        padding: Sizes.sheetPadding
        background: SheetBackground {}
        EmptyState {
            objectName: states.namePrefix + "Error"
            width: parent.width
            symbol: "exclamationmark.triangle"
            title: states.errorTitle
            message: states.errorMessage
        }
    }

    EmptyState {
        objectName: states.namePrefix + "EmptyState"
        anchors.centerIn: parent
        width: states.messageWidth
        visible: !states.hasAlbums && states.mayBeEmpty && !states.loading
                 && states.errorMessage === "" && !states.reading
        symbol: states.symbol
        title: states.emptyTitle
        message: states.emptyMessage
    }
}
