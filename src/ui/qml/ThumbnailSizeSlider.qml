import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Makes album covers bigger or smaller; the size is stored as it changes.
RowLayout {
    spacing: 2

    SymbolImage { symbol: "photo"; size: 12 }
    Slider {
        objectName: "thumbnailSizeSlider"
        Accessible.name: "Thumbnail Size"
        Layout.preferredWidth: 100
        from: displayPreferences.minimumThumbnailSize
        to: displayPreferences.maximumThumbnailSize
        value: displayPreferences.thumbnailSize
        onMoved: displayPreferences.thumbnailSize = value
    }
    SymbolImage { symbol: "photo"; size: 20 }
}
