import QtQuick
import QtQuick.Controls.Basic

// Hover help for the item it sits in.
ToolTip {
    property bool hovered: false
    visible: hovered && text.length > 0
    delay: 700
}
