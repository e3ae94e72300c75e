import QtQuick
import QtQuick.Controls

// Every album of the chosen sources.
Page {
    objectName: "libraryView"
    title: "Library"

    EmptyState {
        objectName: "libraryEmptyState"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        symbol: "square.stack"
        title: emptyStates.libraryTitle
        message: emptyStates.libraryMessage
    }
}
