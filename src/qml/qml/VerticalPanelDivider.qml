import QtQuick

// The groove of PanelDivider stood upright; the caller sets the height.
Row {
    width: 2
    Rectangle { width: 1; height: parent.height; color: Qt.rgba(0, 0, 0, 0.7) }
    Rectangle { width: 1; height: parent.height; color: Qt.rgba(1, 1, 1, 0.07) }
}
