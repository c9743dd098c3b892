import QtQuick
import QtQuick.Controls.Basic

// A menu entry as the Basic style draws it, with its text as plain text: entries and submenu titles are names
// from the receiver, and the style's own label would read a tag in them as markup.
MenuItem {
    id: control
    contentItem: Row {
        readonly property real arrowPadding: control.subMenu && control.arrow ? control.arrow.width + control.spacing : 0
        readonly property real indicatorPadding: control.checkable && control.indicator ? control.indicator.width + control.spacing : 0
        leftPadding: !control.mirrored ? indicatorPadding : arrowPadding
        rightPadding: control.mirrored ? indicatorPadding : arrowPadding
        spacing: control.spacing
        layoutDirection: control.mirrored ? Qt.RightToLeft : Qt.LeftToRight
        Image {
            id: icon
            visible: control.icon.source.toString() !== ""
            anchors.verticalCenter: parent.verticalCenter
            source: control.icon.source
            sourceSize: Qt.size(control.icon.width, control.icon.height)
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, control.availableWidth - parent.leftPadding - parent.rightPadding
                                           - (icon.visible ? icon.width + parent.spacing : 0))
            text: control.text
            textFormat: Text.PlainText
            font: control.font
            elide: Text.ElideRight
            color: control.palette.windowText
        }
    }
}
