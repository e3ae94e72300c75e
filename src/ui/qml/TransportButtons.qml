import QtQuick
import QtQuick.Layouts
import Korvid

// Previous, play or pause, next.
RowLayout {
    id: transport
    required property NowPlayingPresenter nowPlaying
    required property bool playing
    property int size: 20
    spacing: 4

    SymbolButton {
        objectName: "previousButton"
        symbol: "backward.fill"
        text: qsTr("Previous")
        size: transport.size
        onClicked: transport.nowPlaying.skipToPrevious()
    }
    SymbolButton {
        objectName: "playPauseButton"
        symbol: transport.playing ? "pause.fill" : "play.fill"
        text: transport.playing ? qsTr("Pause") : qsTr("Play")
        size: transport.size + 8
        onClicked: transport.nowPlaying.togglePlayPause()
    }
    SymbolButton {
        objectName: "nextButton"
        symbol: "forward.fill"
        text: qsTr("Next")
        size: transport.size
        onClicked: transport.nowPlaying.skipToNext()
    }
}
