import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The Spotify Connect devices Spotify albums can play on. Asks Spotify for
// them when first shown and on its refresh button.
Page {
    id: page
    objectName: "devicePickerView"
    required property DeviceListModel devices
    title: devices.title
    property bool appeared: false

    function appear() {
        if (visible && !appeared) {
            appeared = true
            devices.refresh()
        }
    }
    onVisibleChanged: appear()
    Component.onCompleted: appear()

    header: Item {
        implicitHeight: 52
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 8
            PlainLabel {
                objectName: "devicePickerTitle"
                text: page.devices.title
                font.bold: true
                font.pixelSize: 17
                Layout.fillWidth: true
            }
            BusyIndicator {
                running: page.devices.isLoading
                visible: running
                Layout.preferredWidth: 24
                Layout.preferredHeight: 24
            }
            SymbolButton {
                objectName: "refreshDevicesButton"
                symbol: "arrow.clockwise"
                text: qsTr("Refresh")
                onClicked: page.devices.refresh()
            }
        }
    }

    ListView {
        anchors.fill: parent
        clip: true
        model: page.devices
        delegate: ItemDelegate {
            id: row
            required property var model
            readonly property string deviceID: model.id
            objectName: "deviceRow:" + deviceID
            Accessible.name: model.name
            width: ListView.view.width
            onClicked: (row.ListView.view.model as DeviceListModel).select(row.deviceID)
            contentItem: RowLayout {
                spacing: 10
                SymbolImage {
                    objectName: "deviceIcon:" + row.deviceID
                    symbol: row.model.symbol
                    size: 20
                }
                PlainLabel {
                    objectName: "deviceName:" + row.deviceID
                    text: row.model.name
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    Layout.fillWidth: true
                }
                SymbolImage {
                    objectName: "deviceCheck:" + row.deviceID
                    symbol: "checkmark"
                    opacity: row.model.isSelected ? 1 : 0
                }
            }
        }
    }

    EmptyState {
        objectName: "noDevices"
        anchors.centerIn: parent
        visible: page.devices.count === 0 && !page.devices.isLoading
        symbol: "hifispeaker.slash"
        title: page.devices.emptyTitle
        message: page.devices.emptyText
    }
}
