import QtQuick
import QtQuick.Layouts
import Amplora.Ui

// One group of the settings form: a small heading over a rounded, slightly lifted box holding the rows.
ColumnLayout {
    id: section
    property string title
    default property alias rows: box.data
    spacing: 6

    Text {
        visible: section.title !== ""
        text: section.title
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        font.weight: Font.DemiBold
        color: Theme.secondaryText
        Layout.leftMargin: 4
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: box.implicitHeight + 24
        radius: 8
        color: Qt.rgba(1, 1, 1, 0.05)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.08)
        ColumnLayout {
            id: box
            x: 12
            y: 12
            width: parent.width - 24
            spacing: 8
        }
    }
}
