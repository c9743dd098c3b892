import QtQuick

// One format lamp of the signal strip.
Item {
    id: lamp
    property string label
    property bool lit: false
    width: text.implicitWidth + 14
    height: text.implicitHeight + 8

    SoftGlow {
        anchors.fill: parent
        visible: lamp.lit
        color: Theme.alpha(Theme.stripAmber, 0.4)
        radius: 5
        cornerRadius: 3
    }
    Rectangle {
        anchors.fill: parent
        radius: 3
        color: Theme.alpha(Theme.stripAmber, lamp.lit ? 0.75 : 0.13)
        border.width: 1
        border.color: Theme.alpha(Theme.stripAmber, lamp.lit ? 0.9 : 0.25)
    }
    Text {
        id: text
        anchors.centerIn: parent
        text: lamp.label
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(11)
        font.weight: Font.DemiBold
        font.letterSpacing: 1.5
        color: lamp.lit ? Qt.rgba(0.12, 0.07, 0.02, 1) : Theme.darkAmber
    }
}
