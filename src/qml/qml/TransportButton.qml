import QtQuick

// A borderless transport button: the symbol alone, in the panel's tint.
PushButton {
    id: control
    property real diameter: 72
    property string symbol
    property string accessibleName
    property color tint: "white"
    width: diameter
    height: diameter
    opacity: pressed ? 0.6 : 1
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    contentItem: Item {
        Symbol { anchors.centerIn: parent; name: control.symbol; size: control.diameter * 0.5; color: control.tint }
    }
}
