import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

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

    Material.theme: appearance.dark ? Material.Dark : Material.Light
    Material.accent: appearance.tint

    header: ToolBar {
        objectName: "toolbar"
        visible: contentRoot.showsTabs
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 8
            anchors.rightMargin: 8
            spacing: 12

            TabBar {
                id: tabs
                objectName: "tabs"
                Layout.fillWidth: true
                Repeater {
                    model: [
                        { title: "Home", symbol: "house.fill" },
                        { title: "Library", symbol: "square.stack.fill" },
                        { title: "Settings", symbol: "gearshape.fill" }
                    ]
                    TabButton {
                        objectName: "tab" + modelData.title
                        text: modelData.title
                        icon.name: icons.themeName(modelData.symbol)
                        icon.source: icons.fallback(modelData.symbol)
                        display: AbstractButton.TextBesideIcon
                    }
                }
            }

            ThumbnailSizeSlider {
                Layout.preferredWidth: 100 + 2 * 28
            }
        }
    }

    StackLayout {
        objectName: "mainTabs"
        anchors.fill: parent
        visible: contentRoot.showsTabs
        currentIndex: tabs.currentIndex

        HomeView {}
        LibraryView {}
        SettingsView {}
    }

    Loader {
        objectName: "signInLoader"
        anchors.fill: parent
        active: contentRoot.showsSignIn
        sourceComponent: ConnectSpotifyView {}
    }
}
