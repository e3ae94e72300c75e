pragma Singleton
import QtQuick

// The sizes the views share, named once: sheets, cards and the messages of
// empty pages keep the same widths and margins everywhere.
QtObject {
    // Kept free around a sheet or a message on each side together.
    readonly property int windowMargin: 48
    // Cards and messages: a comfortable line length.
    readonly property int narrowWidth: 420
    // Sheets with a large cover or a list.
    readonly property int wideWidth: 480
    readonly property int listSheetHeight: 480
    readonly property int tallSheetHeight: 560
    readonly property int sheetPadding: 24
}
