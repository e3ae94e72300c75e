import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// A centred icon, title and message for a screen with nothing to show.
ColumnLayout {
    id: emptyState
    property string symbol
    property alias title: titleLabel.text
    property alias message: messageLabel.text
    // Work is under way (a first scan): a spinner under the message.
    property bool busy: false
    spacing: 8

    SymbolImage {
        Layout.alignment: Qt.AlignHCenter
        symbol: emptyState.symbol
        size: 40
    }
    PlainLabel {
        id: titleLabel
        objectName: "emptyTitle"
        Layout.alignment: Qt.AlignHCenter
        font.pixelSize: 20
        font.bold: true
    }
    PlainLabel {
        id: messageLabel
        objectName: "emptyMessage"
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: Sizes.narrowWidth
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        opacity: 0.7
    }
    BusyIndicator {
        Layout.alignment: Qt.AlignHCenter
        visible: emptyState.busy
        running: visible
    }
}
