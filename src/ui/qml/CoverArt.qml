import QtQuick
import QtQuick.Controls.Material
import Korvid

// A cover loaded in the background, with the note symbol until it is there
// or when there is none.
Rectangle {
    id: artwork
    property url source
    radius: 4
    clip: true
    color: Material.theme === Material.Dark ? "#2a2a2a" : "#e6e6e6"

    Image {
        id: image
        anchors.fill: parent
        source: artwork.source
        asynchronous: true
        fillMode: Image.PreserveAspectCrop
        sourceSize.width: width * Screen.devicePixelRatio
        sourceSize.height: height * Screen.devicePixelRatio
    }
    SymbolImage {
        anchors.centerIn: parent
        visible: image.status !== Image.Ready
        symbol: "music.note"
        size: Math.max(16, Math.min(artwork.width, artwork.height) / 3)
        opacity: 0.5
    }
}
