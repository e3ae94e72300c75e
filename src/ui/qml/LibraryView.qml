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
            PageStates {
                anchors.fill: parent
                namePrefix: "library"
                emptyStates: page.emptyStates
                hasAlbums: page.library.filteredAlbums.count > 0
                mayBeEmpty: page.library.searchText === ""
                loading: page.library.isLoading
                errorMessage: page.library.errorMessage
                errorTitle: qsTr("Couldn't Load Library")
                symbol: "square.stack"
                emptyTitle: page.emptyStates.libraryTitle
                emptyMessage: page.emptyStates.libraryMessage
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
