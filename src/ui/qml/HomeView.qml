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

    PageStates {
        anchors.fill: parent
        namePrefix: "home"
        emptyStates: page.emptyStates
        hasAlbums: page.hasAlbums
        loading: page.home.isLoading
        errorMessage: page.home.errorMessage
        errorTitle: qsTr("Couldn't Load Albums")
        symbol: "music.note.list"
        emptyTitle: page.emptyStates.homeTitle
        emptyMessage: page.emptyStates.homeMessage
    }
}
