import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// The Now Playing sheet: large cover, the scrubber, the transport and the
// album up next.
Sheet {
    id: sheet
    objectName: "nowPlayingView"
    preferredWidth: Sizes.wideWidth

    required property PlaybackViewModel playback
    required property NowPlayingPresenter nowPlaying
    required property PreviewPresenter preview

    onClosed: preview.stopPreview()
    Binding {
        target: sheet.preview
        property: "albumID"
        value: sheet.nowPlaying.upNextSpotifyAlbumID
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        SymbolButton {
            objectName: "closeNowPlaying"
            Layout.alignment: Qt.AlignRight
            symbol: "chevron.down"
            text: qsTr("Close")
            onClicked: sheet.close()
        }
        CoverArt {
            Layout.alignment: Qt.AlignHCenter
            // Smaller beside a track list, so the sheet still fits the window.
            Layout.preferredWidth: sheet.nowPlaying.tracks.count > 0 ? 160 : 280
            Layout.preferredHeight: Layout.preferredWidth
            source: sheet.nowPlaying.artwork
        }
        PlainLabel {
            objectName: "sheetTrack"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: sheet.playback.nowPlayingTrackName || qsTr("Not Playing")
            elide: Text.ElideRight
            font.bold: true
            font.pointSize: 16
        }
        PlainLabel {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: sheet.playback.nowPlayingArtistNames
            elide: Text.ElideRight
            opacity: 0.7
        }
        Slider {
            id: scrubber
            objectName: "scrubber"
            Accessible.name: qsTr("Position")
            Layout.fillWidth: true
            from: 0
            to: Math.max(1, sheet.playback.durationMs)
            enabled: sheet.playback.durationMs > 0
            value: pressed ? value : sheet.nowPlaying.positionMs
            onPressedChanged: if (!pressed) sheet.nowPlaying.seek(Math.round(value))
        }
        RowLayout {
            Layout.fillWidth: true
            PlainLabel { objectName: "elapsedTime"; text: sheet.nowPlaying.elapsedText; opacity: 0.7 }
            Item { Layout.fillWidth: true }
            PlainLabel { objectName: "durationTime"; text: sheet.nowPlaying.durationText; opacity: 0.7 }
        }
        TransportButtons {
            Layout.alignment: Qt.AlignHCenter
            nowPlaying: sheet.nowPlaying
            playing: sheet.playback.isPlaying
            size: 28
        }
        AlbumTrackListView {
            Layout.fillWidth: true
            tracks: sheet.nowPlaying.tracks
        }
        Frame {
            objectName: "upNextCard"
            Layout.fillWidth: true
            visible: sheet.nowPlaying.hasUpNext
            RowLayout {
                anchors.fill: parent
                spacing: 12
                CoverArt {
                    Layout.preferredWidth: 48
                    Layout.preferredHeight: 48
                    source: sheet.nowPlaying.upNextArtwork
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 0
                    PlainLabel { text: qsTr("Up Next"); opacity: 0.7; font.pointSize: 9 }
                    PlainLabel {
                        objectName: "upNextTitle"
                        Layout.fillWidth: true
                        text: sheet.nowPlaying.upNextTitle
                        elide: Text.ElideRight
                        font.bold: true
                    }
                    PlainLabel {
                        Layout.fillWidth: true
                        text: sheet.nowPlaying.upNextArtistNames
                        elide: Text.ElideRight
                        opacity: 0.7
                    }
                }
                BusyIndicator {
                    objectName: "previewProgress"
                    Layout.preferredWidth: 32
                    Layout.preferredHeight: 32
                    visible: running
                    running: sheet.preview.isLoading
                }
                SymbolButton {
                    objectName: "previewButton"
                    visible: sheet.preview.hasPreview && !sheet.preview.isLoading
                    symbol: sheet.preview.symbol
                    text: sheet.preview.isPlaying ? qsTr("Stop Preview") : qsTr("Play Preview")
                    onClicked: sheet.preview.togglePreview()
                }
                Button {
                    objectName: "playUpNext"
                    text: qsTr("Play")
                    onClicked: sheet.nowPlaying.playUpNext()
                }
            }
        }
    }
}
