import QtQuick

// "INPUT", "VOLUME", ...: engraved section headings.
Text {
    property string title
    text: title.toUpperCase()
    textFormat: Text.PlainText
    font.family: Theme.fontFamily
    font.pixelSize: Theme.px(13)
    font.weight: Font.Medium
    font.letterSpacing: 1.6
    color: Theme.labelAmber
    opacity: 0.85
}
