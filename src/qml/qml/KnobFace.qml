import QtQuick
import QtQuick.Shapes
import "Logic.js" as Logic

// The knob's metal cap with its pointer. The pointer sweeps 270 degrees: from 135 left of top at the lower
// bound to 135 right of top at the upper bound.
Item {
    id: face
    property real size: 116
    property real fraction: 0
    property bool dimmed: false
    property bool focused: false
    readonly property real inset: size * 0.075

    width: size
    height: size

    // The well the cap sits in.
    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "#0d0c0b"
        border.width: 1
        border.color: Qt.rgba(0, 0, 0, 0.9)
    }
    Item {
        id: cap
        anchors.fill: parent
        anchors.margins: face.inset
        opacity: face.dimmed ? 0.55 : 1

        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: "#2a2927"
        }
        Shape {
            anchors.fill: parent
            ShapePath {
                strokeColor: "transparent"
                fillGradient: ConicalGradient {
                    centerX: cap.width / 2; centerY: cap.height / 2
                    angle: 90
                    GradientStop { position: 0.0; color: Qt.rgba(1, 1, 1, 0.1) }
                    GradientStop { position: 0.16; color: Qt.rgba(1, 1, 1, 0.3) }
                    GradientStop { position: 0.33; color: Qt.rgba(1, 1, 1, 0.09) }
                    GradientStop { position: 0.5; color: Qt.rgba(1, 1, 1, 0.22) }
                    GradientStop { position: 0.66; color: Qt.rgba(1, 1, 1, 0.08) }
                    GradientStop { position: 0.83; color: Qt.rgba(1, 1, 1, 0.28) }
                    GradientStop { position: 1.0; color: Qt.rgba(1, 1, 1, 0.1) }
                }
                PathAngleArc {
                    centerX: cap.width / 2; centerY: cap.height / 2
                    radiusX: cap.width / 2; radiusY: cap.height / 2
                    startAngle: 0; sweepAngle: 360
                }
            }
            ShapePath {
                strokeColor: Qt.rgba(1, 1, 1, 0.2)
                strokeWidth: Math.max(1, face.size * 0.008)
                fillGradient: RadialGradient {
                    centerX: cap.width * 0.38; centerY: cap.height * 0.3
                    focalX: centerX; focalY: centerY
                    centerRadius: cap.width * 0.7
                    GradientStop { position: 0; color: Qt.rgba(1, 1, 1, 0.14) }
                    GradientStop { position: 1; color: Qt.rgba(0, 0, 0, 0.18) }
                }
                PathAngleArc {
                    centerX: cap.width / 2; centerY: cap.height / 2
                    radiusX: cap.width / 2 - 0.5; radiusY: cap.height / 2 - 0.5
                    startAngle: 0; sweepAngle: 360
                }
            }
        }
    }
    Item {
        id: pointerArm
        objectName: "pointerArm"
        anchors.fill: parent
        opacity: cap.opacity
        rotation: Logic.pointerAngle(face.fraction)
        Rectangle {
            width: Math.max(2, face.size * 0.014)
            height: face.size * 0.1
            radius: width / 2
            x: (face.size - width) / 2
            y: face.size / 2 - face.size * 0.34 - height / 2
            color: Theme.litAmber
        }
    }
    FocusRing {
        objectName: "focusRing"
        shown: face.focused
        outset: 6
        cornerRadius: width / 2
        color: Theme.alpha(Theme.stripAmber, 0.45)
    }
}
