import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// A short list of albums in the tray panel, one row each; a click names the
// album. "No albums yet" when there are none.
ListView {
    id: albumList
    required property AlbumListModel albums
    // Row names are this followed by the album id.
    property string rowPrefix: "trayAlbum-"
    signal albumClicked(string albumID)

    model: albums
    interactive: false
    implicitHeight: count === 0 ? emptyLabel.implicitHeight + 8 : contentHeight

    PlainLabel {
        id: emptyLabel
        objectName: albumList.rowPrefix + "empty"
        visible: albumList.count === 0
        x: 8
        y: 4
        text: qsTr("No albums yet")
        opacity: 0.5
    }

    delegate: ItemDelegate {
        id: row
        required property string albumID
        required property string title
        required property string artistNames
        required property url artwork
        required property bool isPlaying
        objectName: (row.ListView.view as TrayAlbumList).rowPrefix + albumID
        Accessible.name: ViewTexts.albumName(title, artistNames, isPlaying)
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        width: ListView.view.width
        leftPadding: 8
        rightPadding: 8
        topPadding: 4
        bottomPadding: 4
        onClicked: (row.ListView.view as TrayAlbumList).albumClicked(albumID)
        contentItem: RowLayout {
            spacing: 10
            CoverArt {
                Layout.preferredWidth: 36
                Layout.preferredHeight: 36
                source: row.artwork
                border.width: row.isPlaying ? 2 : 0
                border.color: Material.accent
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 0
                PlainLabel {
                    Layout.fillWidth: true
                    text: row.title
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.bold: row.isPlaying
                }
                PlainLabel {
                    Layout.fillWidth: true
                    visible: text !== ""
                    text: row.artistNames
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    opacity: 0.7
                }
            }
        }
    }
}
