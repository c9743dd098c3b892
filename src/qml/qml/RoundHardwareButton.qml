import QtQuick
import QtQuick.Shapes

// The round power and mute buttons: a domed cap in a dark ring; the whole circle takes the click.
PushButton {
    id: control
    property real diameter: 80
    property string symbol
    property string accessibleName

    width: diameter
    height: diameter
    opacity: pressed ? 0.75 : 1
    function accepts(x, y) {
        const dx = x - width / 2
        const dy = y - height / 2
        return dx * dx + dy * dy <= width * width / 4
    }
    Accessible.name: accessibleName

    background: Item {
        SoftGlow {
            anchors.fill: parent
            anchors.topMargin: 3
            anchors.bottomMargin: -3
            color: Qt.rgba(0, 0, 0, 0.8)
            radius: 6
            cornerRadius: width / 2
        }
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: width / 2
            color: "transparent"
            border.width: 3
            border.color: Qt.rgba(0, 0, 0, 0.8)
        }
        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: "#161514"
        }
        Shape {
            anchors.fill: parent
            ShapePath {
                strokeColor: Qt.rgba(1, 1, 1, 0.12)
                strokeWidth: 1
                fillGradient: RadialGradient {
                    centerX: control.width * 0.3; centerY: control.height * 0.25
                    focalX: centerX; focalY: centerY
                    centerRadius: control.width * 0.85
                    GradientStop { position: 0; color: Qt.rgba(1, 1, 1, 0.16) }
                    GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0.05) }
                }
                PathAngleArc {
                    centerX: control.width / 2; centerY: control.height / 2
                    radiusX: control.width / 2 - 0.5; radiusY: control.height / 2 - 0.5
                    startAngle: 0; sweepAngle: 360
                }
            }
        }
        FocusRing {
            shown: control.visualFocus
            outset: 6
            cornerRadius: width / 2
            color: Theme.alpha(Theme.labelAmber, 0.6)
        }
    }
    contentItem: Item {
        Symbol {
            anchors.centerIn: parent
            name: control.symbol
            size: control.diameter * 0.3
            color: Qt.rgba(1, 1, 1, 0.9)
        }
    }
}
