import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// Recently played albums and the Discover selection.
Page {
    id: page
    objectName: "homeView"
    title: qsTr("Home")

    required property EmptyStatePresenter emptyStates
    required property HomeViewModel home
    required property AlbumPages pages
    required property DisplayPreferences displayPreferences

    readonly property bool hasAlbums: home.recentlyPlayed.count > 0
                                      || home.discoverAlbums.count > 0


    // The first reading of a music folder can take a while: say so, and
    // how far it got, rather than that there is nothing.
    EmptyState {
        objectName: "homeReading"
        anchors.centerIn: parent
        width: Math.min(parent.width - Sizes.windowMargin, Sizes.narrowWidth)
        visible: !page.hasAlbums && page.emptyStates.readingMusicFolder
        symbol: "music.note.list"
        busy: true
        title: page.emptyStates.readingTitle
        message: page.emptyStates.readingMessage
    }

    EmptyState {
        objectName: "homeError"
        anchors.centerIn: parent
        width: Math.min(parent.width - Sizes.windowMargin, Sizes.narrowWidth)
        visible: page.home.errorMessage !== "" && !page.hasAlbums
        symbol: "exclamationmark.triangle"
        title: qsTr("Couldn't Load Albums")
        message: page.home.errorMessage
    }

    EmptyState {
        objectName: "homeEmptyState"
        anchors.centerIn: parent
        width: Math.min(parent.width - Sizes.windowMargin, Sizes.narrowWidth)
        visible: !page.hasAlbums && !page.home.isLoading && page.home.errorMessage === ""
                 && !page.emptyStates.readingMusicFolder
        symbol: "music.note.list"
        title: page.emptyStates.homeTitle
        message: page.emptyStates.homeMessage
    }

    ScrollView {
        id: scroller
        objectName: "homeScroll"
        anchors.fill: parent
        visible: page.hasAlbums
        contentWidth: availableWidth

        ColumnLayout {
            width: scroller.availableWidth
            spacing: 12

            PlainLabel {
                Layout.topMargin: 20
                Layout.leftMargin: 24
                text: qsTr("Recently Played")
                font.bold: true
                font.pointSize: 16
            }
            AlbumGridView {
                objectName: "recentGrid"
                page: scroller.contentItem as Flickable
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.preferredHeight: contentHeight
                interactive: false
                model: page.home.recentlyPlayed
                preferences: page.displayPreferences
                onAlbumClicked: albumID => page.pages.play(albumID)
            }

            RowLayout {
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                PlainLabel {
                    text: qsTr("Discover")
                    font.bold: true
                    font.pointSize: 16
                }
                Item { Layout.fillWidth: true }
                SymbolButton {
                    objectName: "shuffleDiscover"
                    symbol: "shuffle"
                    text: qsTr("Shuffle")
                    onClicked: page.pages.shuffleDiscover()
                }
            }
            GenreChipRow {
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                chips: page.home.genreChips
                selected: page.home.selectedGenre
                onChosen: genreID => page.home.selectGenre(genreID)
            }
            AlbumGridView {
                objectName: "discoverGrid"
                page: scroller.contentItem as Flickable
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.bottomMargin: 16
                Layout.preferredHeight: contentHeight
                interactive: false
                model: page.home.discoverAlbums
                preferences: page.displayPreferences
                onAlbumClicked: albumID => page.pages.play(albumID)
            }
        }
    }

    // Centred on an empty page; small in the corner over albums already shown.
    BusyIndicator {
        objectName: "homeLoading"
        anchors.centerIn: page.hasAlbums ? undefined : parent
        anchors.top: page.hasAlbums ? parent.top : undefined
        anchors.right: page.hasAlbums ? parent.right : undefined
        anchors.margins: 12
        width: page.hasAlbums ? 32 : implicitWidth
        height: width
        // An empty page tells of a first reading in words instead.
        running: page.home.isLoading && (page.hasAlbums || !page.emptyStates.readingMusicFolder)
        visible: running
    }
}
