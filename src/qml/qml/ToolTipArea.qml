import QtQuick
import QtQuick.Controls.Basic

// Hover help for the item it sits in, created only while the pointer is over it.
Loader {
    property string text
    property bool hovered: false
    anchors.fill: parent
    active: hovered && text.length > 0
    sourceComponent: ToolTip {
        visible: true
        delay: 700
        text: parent ? parent.text : ""
    }
}
