import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// The panel the tray icon opens: what plays with the transport and the
// volume, the latest albums, and more albums like the one playing.
ApplicationWindow {
    id: panel
    objectName: "trayPanel"
    title: "Korvid"
    width: 340
    height: content.implicitHeight + 2 * content.anchors.margins
    flags: Qt.Tool | Qt.FramelessWindowHint

    required property AppearanceModel appearance
    required property PlaybackViewModel playback
    required property NowPlayingPresenter nowPlaying
    required property TrayPanelPresenter tray
    Material.theme: appearance.dark ? Material.Dark : Material.Light
    Material.accent: appearance.tint

    onActiveChanged: if (!active) panel.hide()
    onVisibleChanged: if (visible) tray.panelOpened()

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 12
        spacing: 6

        RowLayout {
            spacing: 10
            CoverArt {
                Layout.preferredWidth: 48
                Layout.preferredHeight: 48
                source: panel.nowPlaying.artwork
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 0
                PlainLabel {
                    objectName: "trayNowPlaying"
                    Layout.fillWidth: true
                    text: panel.playback.nowPlayingTrackName || qsTr("Not Playing")
                    elide: Text.ElideRight
                    font.bold: true
                }
                PlainLabel {
                    objectName: "trayNowPlayingArtist"
                    Layout.fillWidth: true
                    visible: text !== ""
                    text: ViewTexts.artistsAndAlbum(panel.playback.nowPlayingArtistNames,
                                                  panel.playback.nowPlayingAlbumTitle)
                    elide: Text.ElideRight
                    opacity: 0.7
                }
                // Where it plays: one output, or speakers playing as a group.
                RowLayout {
                    spacing: 4
                    SymbolImage { symbol: panel.nowPlaying.outputSymbol; size: 14 }
                    PlainLabel {
                        objectName: "trayOutputName"
                        Layout.fillWidth: true
                        text: panel.nowPlaying.outputName
                        Accessible.name: panel.nowPlaying.outputHelp
                        elide: Text.ElideRight
                        opacity: 0.7
                    }
                }
            }
        }

        TransportButtons {
            Layout.alignment: Qt.AlignHCenter
            nowPlaying: panel.nowPlaying
            playing: panel.playback.isPlaying
        }

        VolumeSlider {
            Layout.fillWidth: true
            playback: panel.playback
        }

        // The main window's alert may not be on screen.
        PlainLabel {
            objectName: "trayError"
            Layout.fillWidth: true
            visible: text !== ""
            text: panel.playback.errorMessage
            wrapMode: Text.WordWrap
            color: Material.color(Material.Red)
        }

        MenuSeparator { Layout.fillWidth: true }

        PlainLabel {
            text: qsTr("Recently Played")
            font.bold: true
            opacity: 0.7
        }
        TrayAlbumList {
            // Rows light up to the panel's edges; covers line up with the titles.
            Layout.fillWidth: true
            Layout.leftMargin: -8
            Layout.rightMargin: -8
            albums: panel.tray.recentAlbums
            rowPrefix: "recentAlbum-"
            onAlbumClicked: albumID => panel.tray.play(albumID)
        }

        RowLayout {
            PlainLabel {
                objectName: "sameGenreTitle"
                Layout.fillWidth: true
                text: panel.tray.sameGenreTitle
                elide: Text.ElideRight
                font.bold: true
                opacity: 0.7
            }
            Button {
                objectName: "shuffleButton"
                flat: true
                text: qsTr("Shuffle")
                icon.name: Icons.themeName("shuffle")
                icon.source: Icons.fallback("shuffle")
                onClicked: panel.tray.pickSameGenreAlbums()
            }
        }
        TrayAlbumList {
            Layout.fillWidth: true
            Layout.leftMargin: -8
            Layout.rightMargin: -8
            albums: panel.tray.sameGenreAlbums
            rowPrefix: "sameGenreAlbum-"
            onAlbumClicked: albumID => panel.tray.play(albumID)
        }
    }
}
