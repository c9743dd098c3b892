import QtQuick
import QtQuick.Layouts
import Amplora.Ui

// Footnote-size text under a row: help, messages and footers.
Text {
    textFormat: Text.PlainText
    property bool warning: false
    Layout.fillWidth: true
    wrapMode: Text.Wrap
    font.family: Theme.fontFamily
    font.pixelSize: Theme.px(11)
    color: warning ? "#ff6b5e" : Theme.secondaryText
}
