import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// The main window: Home, Library and Settings, tinted by the chosen source.
ApplicationWindow {
    id: window
    objectName: "mainWindow"
    title: "Korvid"
    width: 1100
    height: 760
    minimumWidth: 640
    minimumHeight: 480
    visible: true

    required property MusicSourceSettings sourceSettings
    required property AlbumFilterSettings filterSettings
    required property SpotifySignIn signIn
    required property ContentRootModel contentRoot
    required property AppearanceModel appearance
    required property EmptyStatePresenter emptyStates
    required property DisplayPreferences displayPreferences
    required property LocalMusicSettings localMusic
    required property SpeakerListPresenter speakers
    required property DeviceListModel devices
    required property PlaybackViewModel playback
    required property NowPlayingPresenter nowPlaying
    required property PreviewPresenter preview
    required property ResumeOfferPresenter resumeOffer
    required property RefreshLoop refreshLoop
    required property HomeViewModel home
    required property LibraryViewModel library
    required property AlbumPages pages

    // A page loads its albums when it is shown.
    Binding {
        window.pages.homeShown: window.tabsShown && tabs.currentIndex === 0
        window.pages.libraryShown: window.tabsShown && tabs.currentIndex === 1
    }

    // The keys desktop players answer to. Space is left to a text field
    // that has the focus.
    Shortcut {
        sequence: "Space"
        enabled: window.tabsShown
        onActivated: window.nowPlaying.togglePlayPause()
    }
    Shortcut {
        sequence: "Ctrl+Right"
        enabled: window.tabsShown
        onActivated: window.nowPlaying.skipToNext()
    }
    Shortcut {
        sequence: "Ctrl+Left"
        enabled: window.tabsShown
        onActivated: window.nowPlaying.skipToPrevious()
    }
    Shortcut {
        sequence: "Ctrl+F"
        enabled: window.tabsShown
        onActivated: {
            tabs.currentIndex = 1
            libraryView.focusSearch()
        }
    }
    // Reload, the desktop's pull to refresh.
    Shortcut {
        sequences: ["F5", "Ctrl+R"]
        enabled: window.tabsShown && tabs.currentIndex < 2
        onActivated: window.reloadPage()
    }
    function reloadPage() {
        if (tabs.currentIndex === 0)
            window.pages.reloadHome()
        else if (tabs.currentIndex === 1)
            window.pages.reloadLibrary()
    }
    Shortcut {
        sequence: "Ctrl+,"
        enabled: window.tabsShown
        onActivated: tabs.currentIndex = 2
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: Qt.quit()
    }

    // What plays is polled only while the tabs are on screen.
    readonly property bool tabsShown: contentRoot.showsTabs && visible
    onTabsShownChanged: {
        refreshLoop.running = tabsShown
        // The coordinator makes an offer at most once in its life.
        if (tabsShown)
            resumeOffer.request()
    }
    Component.onCompleted: {
        // The keyboard works from the start, also where no window manager
        // hands the new window the focus.
        requestActivate()
        refreshLoop.running = tabsShown
        if (tabsShown)
            resumeOffer.request()
    }

    Material.theme: appearance.dark ? Material.Dark : Material.Light
    Material.accent: appearance.tint
    // The bars follow the window's scheme rather than the style's own colour.
    readonly property color barColor: appearance.dark ? "#2b2b2b" : "#f1f1f1"
    readonly property color barText: appearance.dark ? "#ffffff" : "#1d1d1d"

    header: ToolBar {
        objectName: "toolbar"
        Material.background: window.barColor
        Material.foreground: window.barText
        visible: window.contentRoot.showsTabs
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 8
            anchors.rightMargin: 8
            spacing: 12

            TabBar {
                id: tabs
                objectName: "tabs"
                background: null
                Layout.fillWidth: true
                Repeater {
                    model: [
                        { name: "Home", title: qsTr("Home"), symbol: "house.fill" },
                        { name: "Library", title: qsTr("Library"), symbol: "square.stack.fill" },
                        { name: "Settings", title: qsTr("Settings"), symbol: "gearshape.fill" }
                    ]
                    TabButton {
                        required property var modelData
                        objectName: "tab" + modelData.name
                        text: modelData.title
                        icon.name: Icons.themeName(modelData.symbol)
                        icon.source: Icons.fallback(modelData.symbol)
                        display: AbstractButton.TextBesideIcon
                    }
                }
            }

            SymbolButton {
                objectName: "reloadButton"
                visible: tabs.currentIndex < 2
                symbol: "arrow.clockwise"
                text: qsTr("Reload (F5)")
                onClicked: window.reloadPage()
            }

            HomeToolbarButtons {
                visible: tabs.currentIndex === 0
                speakers: window.speakers
                devices: window.devices
                showsSpotify: SettingsTexts.includesSpotify(window.sourceSettings.current)
            }

            SourcePicker {
                sourceSettings: window.sourceSettings
            }

            ThumbnailSizeSlider {
                Layout.preferredWidth: 100 + 2 * 28
                preferences: window.displayPreferences
            }
        }
    }

    StackLayout {
        objectName: "mainTabs"
        anchors.fill: parent
        visible: window.contentRoot.showsTabs
        currentIndex: tabs.currentIndex

        HomeView {
            emptyStates: window.emptyStates
            home: window.home
            pages: window.pages
            displayPreferences: window.displayPreferences
        }
        LibraryView {
            id: libraryView
            emptyStates: window.emptyStates
            library: window.library
            pages: window.pages
            displayPreferences: window.displayPreferences
        }
        SettingsView {
            sourceSettings: window.sourceSettings
            filterSettings: window.filterSettings
            signIn: window.signIn
            localMusic: window.localMusic
            displayPreferences: window.displayPreferences
            speakers: window.speakers
        }
    }

    footer: PlayerControlsView {
        visible: window.contentRoot.showsTabs
        Material.background: window.barColor
        Material.foreground: window.barText
        playback: window.playback
        nowPlaying: window.nowPlaying
        onOpenNowPlaying: nowPlayingSheet.open()
    }

    NowPlayingView {
        id: nowPlayingSheet
        playback: window.playback
        nowPlaying: window.nowPlaying
        preview: window.preview
    }

    ResumeSessionView {
        offer: window.resumeOffer
    }

    Dialog {
        id: errorAlert
        objectName: "playbackErrorAlert"
        title: qsTr("Playback Error")
        modal: true
        background: SheetBackground {}
        anchors.centerIn: Overlay.overlay
        width: Math.min(window.width - Sizes.windowMargin, Sizes.narrowWidth)
        visible: window.playback.errorMessage !== ""
        onClosed: window.playback.dismissError()
        header: PlainLabel {
            text: errorAlert.title
            padding: 24
            bottomPadding: 0
            font.bold: true
            font.pointSize: 14
        }
        footer: RowLayout {
            Item { Layout.fillWidth: true }
            Button {
                objectName: "dismissErrorButton"
                Layout.margins: 8
                flat: true
                text: qsTr("OK")
                onClicked: errorAlert.close()
            }
        }
        PlainLabel {
            objectName: "playbackErrorMessage"
            width: parent.width
            text: window.playback.errorMessage
            wrapMode: Text.WordWrap
        }
    }

    Loader {
        objectName: "signInLoader"
        anchors.fill: parent
        active: window.contentRoot.showsSignIn
        Component.onCompleted: setSource("ConnectSpotifyView.qml", { signIn: window.signIn })
    }
}
