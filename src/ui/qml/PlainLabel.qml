import QtQuick
import QtQuick.Controls

// A label that shows its text exactly as given. Every label in the views is
// one: names, tags, speaker names and error texts come from files, the
// network and other programs, and Qt's automatic format would take a first
// line with a tag for markup, drawing it styled and loading its <img>.
Label {
    textFormat: Text.PlainText
}
