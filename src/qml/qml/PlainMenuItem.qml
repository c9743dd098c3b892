import QtQuick
import QtQuick.Controls.Basic

// A menu entry as the Basic style draws it, with its text as plain text: entries and submenu titles are names
// from the receiver, and the style's own label would read a tag in them as markup.
MenuItem {
    id: control
    // The width it needs to show its text whole; the menu takes the widest of its entries.
    readonly property real naturalWidth: leftPadding + rightPadding + content.leftPadding + content.rightPadding
                                         + (icon.visible ? icon.width + content.spacing : 0) + label.implicitWidth
    // The text makes room for the icon by its id, so the item is built with the entry rather than deferred.
    contentItem: Row { // qmllint disable deferred-property-id
        id: content
        readonly property real arrowPadding: control.subMenu && control.arrow ? control.arrow.width + control.spacing : 0
        readonly property real indicatorPadding: control.checkable && control.indicator ? control.indicator.width + control.spacing : 0
        leftPadding: !control.mirrored ? indicatorPadding : arrowPadding
        rightPadding: control.mirrored ? indicatorPadding : arrowPadding
        spacing: control.spacing
        layoutDirection: control.mirrored ? Qt.RightToLeft : Qt.LeftToRight
        Image {
            id: icon
            // Qt 6.4's linter knows no JavaScript methods on a url.
            visible: control.icon.source.toString() !== "" // qmllint disable type
            anchors.verticalCenter: parent.verticalCenter
            source: control.icon.source
            sourceSize.width: control.icon.width
            sourceSize.height: control.icon.height
        }
        Text {
            id: label
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
