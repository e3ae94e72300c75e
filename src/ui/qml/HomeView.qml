import QtQuick
import QtQuick.Controls
import Korvid

// Recently played albums and the Discover selection.
Page {
    id: page
    objectName: "homeView"
    title: qsTr("Home")

    required property EmptyStatePresenter emptyStates

    EmptyState {
        objectName: "homeEmptyState"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        symbol: "music.note.list"
        title: page.emptyStates.homeTitle
        message: page.emptyStates.homeMessage
    }
}
