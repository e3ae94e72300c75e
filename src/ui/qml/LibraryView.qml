import QtQuick
import QtQuick.Controls
import Korvid

// Every album of the chosen sources.
Page {
    id: page
    objectName: "libraryView"
    title: qsTr("Library")

    required property EmptyStatePresenter emptyStates

    EmptyState {
        objectName: "libraryEmptyState"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        symbol: "square.stack"
        title: page.emptyStates.libraryTitle
        message: page.emptyStates.libraryMessage
    }
}
