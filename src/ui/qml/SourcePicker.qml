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

    ToolButton {
        objectName: "toolbarSource0"
        text: SettingsTexts.sourceLabels[0]
        checkable: true
        checked: picker.sourceSettings.current === 0
        onClicked: picker.sourceSettings.current = 0
    }
    ToolButton {
        objectName: "toolbarSource1"
        text: SettingsTexts.sourceLabels[1]
        checkable: true
        checked: picker.sourceSettings.current === 1
        onClicked: picker.sourceSettings.current = 1
    }
    ToolButton {
        objectName: "toolbarSource2"
        text: SettingsTexts.sourceLabels[2]
        checkable: true
        checked: picker.sourceSettings.current === 2
        onClicked: picker.sourceSettings.current = 2
    }
}
