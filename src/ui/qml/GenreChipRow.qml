import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import Korvid

// The genre chips: one choice at a time, "All" first, then by recency.
Flow {
    id: row
    objectName: "genreChips"
    // Maps of id, displayName and color, in the order to show.
    required property var chips
    required property string selected
    signal chosen(string genreID)
    spacing: 6

    Repeater {
        model: row.chips
        Button {
            id: chip
            required property var modelData
            objectName: "genreChip-" + modelData.id
            // Names of the catalogue, in the reader's language.
            text: qsTranslate("Genre", modelData.displayName)
            Accessible.name: text
            checkable: true
            checked: (chip.parent as GenreChipRow).selected === modelData.id
            flat: !checked
            onClicked: (chip.parent as GenreChipRow).chosen(modelData.id)
            // The style's label takes "&" for a shortcut marker ("R&B" drawn
            // as "R_B"); genre names are shown as written.
            contentItem: PlainLabel {
                text: chip.text
                font: chip.font
                color: chip.enabled ? chip.Material.foreground : chip.Material.hintTextColor
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
        }
    }
}
