import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One titled group of the Settings form.
ColumnLayout {
    id: section
    property alias title: heading.text
    property string caption
    default property alias content: body.data
    Layout.fillWidth: true
    spacing: 6

    PlainLabel {
        id: heading
        font.bold: true
        font.pixelSize: 15
    }
    ColumnLayout {
        id: body
        Layout.fillWidth: true
        Layout.leftMargin: 8
        spacing: 6
    }
    PlainLabel {
        visible: section.caption.length > 0
        text: section.caption
        Layout.fillWidth: true
        wrapMode: Text.WordWrap
        opacity: 0.65
        font.pixelSize: 12
    }
}
