import QtQuick
import QtQuick.Controls.Basic

// The tooltip of ToolTipArea; its parent is the area, which carries the text.
ToolTip {
    id: tip
    visible: true
    delay: 700
    text: parent ? (parent as ToolTipArea).text : ""
    // The Basic style's label, as plain text: help often names an input or a device.
    contentItem: Text {
        text: tip.text
        textFormat: Text.PlainText
        font: tip.font
        wrapMode: Text.Wrap
        color: tip.palette.toolTipText
    }
}
