import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// The bar at the bottom of the window: what plays, the transport, the
// volume and where the music plays.
ToolBar {
    id: bar
    objectName: "playerControls"

    required property PlaybackViewModel playback
    required property NowPlayingPresenter nowPlaying
    signal openNowPlaying

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        spacing: 12

        ItemDelegate {
            objectName: "nowPlayingButton"
            // The bar's texts are read as one.
            Accessible.name: bar.playback.nowPlayingTrackName
                             ? ViewTexts.albumName(bar.playback.nowPlayingTrackName,
                                                   bar.playback.nowPlayingArtistNames, false)
                             : qsTr("Not Playing")
            Layout.fillWidth: true
            Layout.maximumWidth: 360
            onClicked: bar.openNowPlaying()
            contentItem: RowLayout {
                spacing: 8
                CoverArt {
                    Layout.preferredWidth: 40
                    Layout.preferredHeight: 40
                    source: bar.nowPlaying.artwork
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 0
                    PlainLabel {
                        objectName: "nowPlayingTrack"
                        Layout.fillWidth: true
                        text: bar.playback.nowPlayingTrackName || qsTr("Not Playing")
                        elide: Text.ElideRight
                        font.bold: true
                    }
                    PlainLabel {
                        objectName: "nowPlayingArtist"
                        Layout.fillWidth: true
                        text: ViewTexts.artistsAndAlbum(bar.playback.nowPlayingArtistNames,
                                                  bar.playback.nowPlayingAlbumTitle)
                        elide: Text.ElideRight
                        opacity: 0.7
                    }
                }
            }
        }

        TransportButtons {
            nowPlaying: bar.nowPlaying
            playing: bar.playback.isPlaying
        }

        Item { Layout.fillWidth: true }

        VolumeSlider {
            Layout.preferredWidth: 180
            playback: bar.playback
        }

        RowLayout {
            objectName: "outputLabel"
            spacing: 4
            SymbolImage {
                objectName: "outputSymbol"
                symbol: bar.nowPlaying.outputSymbol
            }
            PlainLabel {
                objectName: "outputName"
                text: bar.nowPlaying.outputName
                elide: Text.ElideRight
                // Room for two speakers playing together.
                Layout.maximumWidth: 240
            }
            HoverHandler { id: outputHover }
            PlainToolTip {
                objectName: "outputHelp"
                visible: outputHover.hovered
                text: bar.nowPlaying.outputHelp
            }
        }
    }
}
