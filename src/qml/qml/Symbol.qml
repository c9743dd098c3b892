import QtQuick
import QtQuick.Window
import "Logic.js" as Logic

// A symbolic icon of the theme drawn in one colour. `name` is a freedesktop icon name (see Symbols.cpp).
Image {
    id: root
    property string name
    property color color: "white"
    property real size: 24

    width: size
    height: size
    // Drawn at the screen's pixel size: symbolic icons are vectors, and every symbol is a texture of its own.
    sourceSize.width: Math.ceil(size * Screen.devicePixelRatio)
    sourceSize.height: Math.ceil(size * Screen.devicePixelRatio)
    source: name ? "image://symbol/" + name + "/" + Logic.colourKey(color) : ""
    fillMode: Image.PreserveAspectFit
    smooth: true
    Accessible.ignored: true
}
