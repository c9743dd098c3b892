import QtQuick
import "Logic.js" as Logic

// A symbolic icon of the theme drawn in one colour. `name` is a freedesktop icon name (see Symbols.cpp).
Image {
    id: root
    property string name
    property color color: "white"
    property real size: 24

    width: size
    height: size
    sourceSize: Qt.size(Math.ceil(size * 2), Math.ceil(size * 2))
    source: name ? "image://symbol/" + name + "/" + Logic.colourKey(color) : ""
    fillMode: Image.PreserveAspectFit
    smooth: true
    Accessible.ignored: true
}
