pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls
import Korvid

// "Music Source" in the toolbar: Spotify, Local Music or Both, one segment each.
Row {
    id: picker
    objectName: "sourcePicker"
    required property MusicSourceSettings sourceSettings
    Accessible.name: qsTr("Music Source")
    spacing: 0

    Repeater {
        model: SettingsTexts.sources
        ToolButton {
            required property var modelData
            required property int index
            objectName: "toolbarSource" + index
            text: modelData.label
            checkable: true
            checked: picker.sourceSettings.current === modelData.value
            onClicked: picker.sourceSettings.current = modelData.value
        }
    }
}
