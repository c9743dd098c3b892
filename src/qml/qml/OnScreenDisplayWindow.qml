import QtQuick
import QtQuick.Window
import Amplora.Ui

// The change just made, lit like the front panel's display, near the bottom centre of the screen for a moment.
// It never takes the focus and lets the pointer through to whatever is under it.
Window {
    id: overlay
    required property OnScreenDisplay display

    flags: Qt.ToolTip | Qt.FramelessWindowHint | Qt.WindowDoesNotAcceptFocus | Qt.WindowTransparentForInput
    color: "transparent"
    visible: display.visible
    title: qsTr("Amplora: change")
    // As wide as the text, within bounds; a longer name is cut short rather than the overlay spanning the screen.
    width: Math.round(Math.min(Math.max(Theme.px(200), metrics.advanceWidth + 72), Screen.width * 0.6))
    height: Math.round(metrics.height + 36)
    x: Screen.virtualX + Math.round((Screen.width - width) / 2)
    y: Screen.virtualY + Screen.height - height - Math.round(Screen.height * 0.12)

    Rectangle {
        anchors.fill: parent
        radius: 14
        gradient: Gradient {
            GradientStop { position: 0; color: Theme.warmTop }
            GradientStop { position: 1; color: Theme.warmBottom }
        }
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
        opacity: 0.94
    }

    // Measured apart from the text item, whose own width follows the window's.
    TextMetrics {
        id: metrics
        font: label.font
        text: overlay.display.text
    }

    Text {
        id: label
        objectName: "onScreenText"
        anchors.fill: parent
        anchors.leftMargin: 32
        anchors.rightMargin: 32
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        text: overlay.display.text
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(34)
        font.weight: Font.Medium
        color: Theme.litAmber
        style: Text.Raised
        styleColor: Theme.alpha(Theme.litAmber, 0.4)
        Accessible.role: Accessible.StaticText
        Accessible.name: overlay.display.text
    }
}
