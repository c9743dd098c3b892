import QtQuick
import QtQuick.Controls.Basic

// The tooltip of ToolTipArea; its parent is the area, which carries the text.
ToolTip {
    visible: true
    delay: 700
    text: parent ? parent.text : ""
}
