import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// The playing album's tracks in the Now Playing sheet: number, title and
// length, the playing one marked; choosing one plays the album from there.
ColumnLayout {
    id: list
    required property AlbumTrackList tracks
    property int visibleRows: 4
    spacing: 4
    visible: tracks.count > 0

    PlainLabel {
        objectName: "trackListAlbum"
        Layout.fillWidth: true
        text: list.tracks.albumTitle
        elide: Text.ElideRight
        opacity: 0.7
        font.pointSize: 9
    }
    ListView {
        id: view
        objectName: "trackList"
        Layout.fillWidth: true
        Layout.preferredHeight: Math.min(count, list.visibleRows) * 36
        clip: true
        // An album's tracks are few: all rows exist, so any can be scrolled to and chosen.
        cacheBuffer: Math.max(0, count * 36)
        model: list.tracks
        currentIndex: list.tracks.currentRow
        ScrollBar.vertical: ScrollBar {}
        // Keeps the playing track in sight as the album moves on.
        onCurrentIndexChanged: if (currentIndex >= 0 && height > 0) positionViewAtIndex(currentIndex, ListView.Contain)
        delegate: ItemDelegate {
            id: row
            required property int index
            required property var number
            required property string title
            required property string length
            required property bool isCurrent
            objectName: "trackRow:" + index
            width: ListView.view.width
            height: 36
            highlighted: isCurrent
            onClicked: (row.ListView.view.model as AlbumTrackList).play(row.index)
            contentItem: RowLayout {
                spacing: 10
                Item {
                    Layout.preferredWidth: 24
                    Layout.fillHeight: true
                    PlainLabel {
                        anchors.centerIn: parent
                        visible: !row.isCurrent
                        text: row.number
                        opacity: 0.7
                    }
                    SymbolImage {
                        anchors.centerIn: parent
                        visible: row.isCurrent
                        symbol: "speaker.wave.3.fill"
                    }
                }
                PlainLabel {
                    objectName: "trackTitle:" + row.index
                    Layout.fillWidth: true
                    text: row.title
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.bold: row.isCurrent
                }
                PlainLabel {
                    text: row.length
                    opacity: 0.7
                }
            }
        }
    }
}
