import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// Every album of the chosen sources, by genre, found by typing.
Page {
    id: page
    objectName: "libraryView"
    title: qsTr("Library")

    required property EmptyStatePresenter emptyStates
    required property LibraryViewModel library
    required property AlbumPages pages
    required property DisplayPreferences displayPreferences

    // Ctrl+F lands here.
    function focusSearch() {
        search.forceActiveFocus()
        search.selectAll()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 16
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            spacing: 12
            GenreChipRow {
                Layout.fillWidth: true
                chips: page.library.genreChips
                selected: page.library.selectedGenre
                onChosen: genreID => page.library.selectGenre(genreID)
            }
            TextField {
                id: search
                objectName: "librarySearch"
                Layout.preferredWidth: 240
                placeholderText: qsTr("Search albums and artists")
                text: page.library.searchText
                onTextEdited: page.library.searchText = text
                Keys.onEscapePressed: {
                    page.library.searchText = ""
                    focus = false
                }
            }
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            AlbumGridView {
                objectName: "libraryGrid"
                anchors.fill: parent
                anchors.leftMargin: 16
                anchors.rightMargin: 16
                model: page.library.filteredAlbums
                preferences: page.displayPreferences
                onAlbumClicked: albumID => page.pages.play(albumID)
            }
            BusyIndicator {
                objectName: "libraryLoading"
                anchors.centerIn: parent
                running: page.library.isLoading && page.library.filteredAlbums.count === 0
                         && !page.emptyStates.readingMusicFolder
                visible: running
            }
            EmptyState {
                objectName: "libraryReading"
                anchors.centerIn: parent
                width: Math.min(parent.width - Sizes.windowMargin, Sizes.narrowWidth)
                visible: page.library.filteredAlbums.count === 0 && page.library.searchText === ""
                         && page.emptyStates.readingMusicFolder
                symbol: "square.stack"
                busy: true
                title: page.emptyStates.readingTitle
                message: page.emptyStates.readingMessage
            }
            // Shown whenever a load failed: over the albums of an earlier
            // load too, which would otherwise pass for current.
            Pane {
                anchors.centerIn: parent
                visible: page.library.errorMessage !== ""
                contentWidth: Math.min(page.width - 2 * Sizes.windowMargin, Sizes.narrowWidth)
                padding: 24
                background: SheetBackground {}
                EmptyState {
                    objectName: "libraryError"
                    width: parent.width
                    symbol: "exclamationmark.triangle"
                    title: qsTr("Couldn't Load Library")
                    message: page.library.errorMessage
                }
            }
            EmptyState {
                objectName: "libraryEmptyState"
                anchors.centerIn: parent
                width: Math.min(parent.width - Sizes.windowMargin, Sizes.narrowWidth)
                visible: page.library.filteredAlbums.count === 0 && page.library.searchText === ""
                         && !page.library.isLoading && page.library.errorMessage === ""
                         && !page.emptyStates.readingMusicFolder
                symbol: "square.stack"
                title: page.emptyStates.libraryTitle
                message: page.emptyStates.libraryMessage
            }
            PlainLabel {
                objectName: "noSearchResults"
                anchors.centerIn: parent
                visible: page.library.searchText !== "" && page.library.filteredAlbums.count === 0
                text: qsTr("No albums match “%1”").arg(page.library.searchText)
                opacity: 0.7
            }
        }
    }
}
