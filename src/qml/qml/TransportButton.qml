import QtQuick

// A borderless transport button: the symbol alone, in the panel's tint, with an optional caption under it.
PushButton {
    id: control
    property real diameter: 72
    property string symbol
    property string accessibleName
    property string caption
    property color tint: "white"
    width: diameter
    height: diameter
    opacity: pressed ? 0.6 : 1
    Accessible.name: accessibleName
    contentItem: Item {
        Symbol {
            anchors.centerIn: parent
            anchors.verticalCenterOffset: control.caption.length > 0 ? -control.diameter * 0.1 : 0
            name: control.symbol
            size: control.diameter * 0.5
            color: control.tint
        }
        Text {
            visible: control.caption.length > 0
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            text: control.caption
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(10)
            font.letterSpacing: 1
            color: control.tint
        }
    }
}
