import QtQuick

// The brushed-metal texture, drawn once per size by the "metal" image provider and shown as one opaque image.
Image {
    readonly property int pixelWidth: Math.max(1, Math.round(width))
    readonly property int pixelHeight: Math.max(1, Math.round(height))
    source: "image://metal/" + pixelWidth + "x" + pixelHeight
    sourceSize: Qt.size(pixelWidth, pixelHeight)
    cache: false
    smooth: false
    Accessible.ignored: true
}
