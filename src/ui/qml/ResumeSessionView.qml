import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Korvid

// "Pick up where you left off?": the card offered once per launch.
Sheet {
    id: card
    objectName: "resumeSessionView"
    closePolicy: Popup.CloseOnEscape
    visible: offer.hasOffer
    onClosed: offer.dismiss()

    required property ResumeOfferPresenter offer

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        PlainLabel {
            Layout.fillWidth: true
            text: card.offer.title
            font.bold: true
            font.pointSize: 16
            wrapMode: Text.WordWrap
        }
        RowLayout {
            spacing: 12
            CoverArt {
                Layout.preferredWidth: 72
                Layout.preferredHeight: 72
                source: card.offer.artwork
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                PlainLabel {
                    objectName: "resumeAlbumTitle"
                    Layout.fillWidth: true
                    text: card.offer.albumTitle
                    elide: Text.ElideRight
                    font.bold: true
                }
                PlainLabel {
                    objectName: "resumeDetail"
                    Layout.fillWidth: true
                    text: card.offer.detail
                    elide: Text.ElideRight
                    opacity: 0.7
                }
                RowLayout {
                    spacing: 4
                    SymbolImage { symbol: card.offer.deviceSymbol }
                    PlainLabel {
                        objectName: "resumeDevice"
                        text: card.offer.deviceText
                        elide: Text.ElideRight
                    }
                    PlainLabel {
                        objectName: "resumePosition"
                        text: card.offer.positionText
                        opacity: 0.7
                    }
                }
            }
        }
        ProminentButton {
            objectName: "resumeButton"
            Layout.fillWidth: true
            text: card.offer.resumeText
            icon.name: Icons.themeName("play.fill")
            icon.source: Icons.fallback("play.fill")
            onClicked: card.offer.resume()
        }
        Button {
            objectName: "playHereButton"
            Layout.fillWidth: true
            visible: card.offer.canPlayHere
            text: qsTr("Play on This Computer")
            onClicked: card.offer.playHere()
        }
        Button {
            objectName: "notNowButton"
            Layout.fillWidth: true
            flat: true
            text: qsTr("Not Now")
            onClicked: card.offer.dismiss()
        }
    }
}
