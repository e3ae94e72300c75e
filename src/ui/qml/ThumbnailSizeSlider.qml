import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// Makes album covers bigger or smaller; the size is stored as it changes.
RowLayout {
    id: row
    required property DisplayPreferences preferences
    spacing: 2

    SymbolImage { symbol: "photo"; size: 12 }
    Slider {
        objectName: "thumbnailSizeSlider"
        Accessible.name: qsTr("Thumbnail Size")
        Layout.preferredWidth: 100
        from: row.preferences.minimumThumbnailSize
        to: row.preferences.maximumThumbnailSize
        value: row.preferences.thumbnailSize
        onMoved: row.preferences.thumbnailSize = value
    }
    SymbolImage { symbol: "photo"; size: 20 }
}
