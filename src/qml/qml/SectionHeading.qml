import QtQuick

// "INPUT", "VOLUME", ...: engraved section headings.
Text {
    property string title
    text: title.toUpperCase()
    font.family: Theme.fontFamily
    font.pixelSize: 13
    font.weight: Font.Medium
    font.letterSpacing: 1.6
    color: Theme.labelAmber
    opacity: 0.85
}
