import QtQuick
import QtQuick.Controls

// Recently played albums and the Discover selection.
Page {
    objectName: "homeView"
    title: "Home"

    EmptyState {
        objectName: "homeEmptyState"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        symbol: "music.note.list"
        title: emptyStates.homeTitle
        message: emptyStates.homeMessage
    }
}
