import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Korvid

// The volume: follows the coordinator, and sends the new value when let go.
RowLayout {
    id: volume
    required property PlaybackViewModel playback
    spacing: 4

    SymbolImage { symbol: "speaker.fill" }
    Slider {
        objectName: "volumeSlider"
        Accessible.name: qsTr("Volume")
        Layout.fillWidth: true
        from: 0
        to: 100
        value: volume.playback.volumePercent
        onMoved: volume.playback.volumePercent = value
        onPressedChanged: {
            volume.playback.isAdjustingVolume = pressed
            if (!pressed)
                volume.playback.commitVolume()
        }
    }
    SymbolImage { symbol: "speaker.wave.3.fill" }
}
