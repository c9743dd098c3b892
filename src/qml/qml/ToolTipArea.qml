import QtQuick

// Hover help for the item it sits in, created only while the pointer is over it. The tooltip is loaded by name,
// so the controls module it needs is not loaded with the window.
Loader {
    property string text
    property bool hovered: false
    anchors.fill: parent
    active: hovered && text.length > 0
    source: "HoverHelp.qml"
}
