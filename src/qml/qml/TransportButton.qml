import QtQuick
import QtQuick.Templates as T

// A borderless transport button: the symbol alone, in the panel's tint.
T.AbstractButton {
    id: control
    property real diameter: 72
    property string symbol
    property string accessibleName
    property color tint: "white"
    width: diameter
    height: diameter
    opacity: pressed ? 0.6 : 1
    focusPolicy: Qt.TabFocus
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    contentItem: Item {
        Symbol { anchors.centerIn: parent; name: control.symbol; size: control.diameter * 0.5; color: control.tint }
    }
}
