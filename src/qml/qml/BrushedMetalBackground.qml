import QtQuick
import Amplora.Ui

// The brushed-metal texture behind everything, drawn once per size as one opaque picture.
BrushedMetalSurface {
    Accessible.ignored: true
}
