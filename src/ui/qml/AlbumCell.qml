import QtQuick
import QtQuick.Controls.impl
import Korvid

// One album of a grid: its cover, with the title and artist under it when
// the display style asks for them. The playing album is marked.
// A grid makes one of these for every album that scrolls in, so a cell is
// plain items: its colours and font come from the grid, read there once,
// and the mark's symbol is made on the playing album only.
// The grid hands its keyboard focus to the current cell: Enter or Space
// plays it, and a screen reader finds every cell by its album's name.
Item {
    id: cell
    objectName: "albumCell-" + albumID
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.focusable: true
    Accessible.onPressAction: cell.clicked()

    required property string albumID
    required property string title
    required property string artistNames
    required property url artwork
    required property bool isPlaying
    property real coverSize: 110
    property bool showsDetails: true
    // The height of the title and artist lines under the cover.
    property real detailsHeight: 0
    property font titleFont
    property font textFont
    property color textColor: "black"
    property color accentColor: "blue"
    // Opaque: a translucent fill is blended line by line on every frame.
    property color coverColor: "#e8e8e8"

    readonly property string accessibleName: ViewTexts.albumName(title, artistNames, isPlaying)
    readonly property bool hovered: hover.hovered

    signal clicked()

    Keys.onReturnPressed: cell.clicked()
    Keys.onEnterPressed: cell.clicked()
    Keys.onSpacePressed: cell.clicked()
    // Space plays this album rather than pausing what plays.
    Keys.onShortcutOverride: event => event.accepted = event.key === Qt.Key_Space

    Item {
        id: body
        objectName: "albumCellBody"
        width: cell.coverSize
        height: cover.height + (cell.showsDetails ? cell.detailsHeight : 0)
        x: Math.round((cell.width - cell.coverSize) / 2)
        y: 8
        scale: hover.hovered ? 1.04 : 1
        Behavior on scale { NumberAnimation { duration: 120 } }

        Rectangle {
            objectName: "focusRing"
            visible: cell.activeFocus
            anchors.fill: cover
            anchors.margins: -4
            radius: cover.radius + 4
            color: "transparent"
            border.width: 2
            border.color: cell.textColor
        }
        Rectangle {
            id: cover
            width: cell.coverSize
            height: cell.coverSize
            radius: 6
            color: cell.coverColor
            border.width: cell.isPlaying ? 3 : 0
            border.color: cell.accentColor

            // The symbol's image itself, without a label around it.
            IconImage {
                objectName: "coverPlaceholder"
                anchors.centerIn: parent
                visible: picture.status !== Image.Ready
                name: Icons.themeName("music.note")
                source: Icons.fallback("music.note")
                sourceSize.width: Math.round(cell.coverSize / 3)
                sourceSize.height: Math.round(cell.coverSize / 3)
                color: cell.textColor
                opacity: 0.5
            }
            Image {
                id: picture
                objectName: "cover"
                anchors.fill: parent
                anchors.margins: cover.border.width
                source: cell.artwork
                sourceSize.width: cell.coverSize
                sourceSize.height: cell.coverSize
                fillMode: Image.PreserveAspectCrop
                asynchronous: true
            }
            Rectangle {
                objectName: "playingMark"
                visible: cell.isPlaying
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 8
                width: 28
                height: 28
                radius: 14
                color: cell.accentColor
                // Made on the playing album only.
                Loader {
                    active: cell.isPlaying
                    anchors.centerIn: parent
                    sourceComponent: Component {
                        SymbolImage {
                            objectName: "playingSymbol"
                            symbol: "play.fill"
                            size: 14
                            icon.color: "white"
                        }
                    }
                }
            }
        }

        Text {
            id: titleLabel
            objectName: "cellTitle"
            visible: cell.showsDetails
            anchors.top: cover.bottom
            anchors.topMargin: 4
            width: cover.width
            text: cell.title
            // Tags are shown as written, never as markup.
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font: cell.titleFont
            color: cell.textColor
        }
        Text {
            objectName: "cellArtist"
            visible: cell.showsDetails
            anchors.top: titleLabel.bottom
            width: cover.width
            text: cell.artistNames
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font: cell.textFont
            color: cell.textColor
            opacity: 0.7
        }
    }

    HoverHandler { id: hover }
    TapHandler { onTapped: cell.clicked() }
}
