import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// A tool tip that shows its text exactly as given (see PlainLabel): the style's
// own takes a text that starts with a tag for markup.
ToolTip {
    id: tip
    contentItem: Text {
        text: tip.text
        font: tip.font
        wrapMode: Text.Wrap
        textFormat: Text.PlainText
        color: tip.Material.foreground
    }
}
