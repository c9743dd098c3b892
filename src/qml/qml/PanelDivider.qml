import QtQuick

// A horizontal groove: a dark line above a faint light one.
Column {
    Rectangle { width: parent.width; height: 1; color: Qt.rgba(0, 0, 0, 0.7) }
    Rectangle { width: parent.width; height: 1; color: Qt.rgba(1, 1, 1, 0.07) }
}
