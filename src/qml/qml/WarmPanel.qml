import QtQuick

// The dark amber glass behind the now-playing tile and the signal strip: a warm gradient, a glow from the
// leading edge, an inner shadow along the top and a thin lit edge.
Item {
    id: glass
    property real cornerRadius: 12
    property color glowColor: Theme.stripAmber
    property real glowOpacity: 0.1
    property color edgeColor: Theme.stripAmber
    property real edgeOpacity: 0.45

    Rectangle {
        anchors.fill: parent
        radius: glass.cornerRadius
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: Theme.warmTop }
            GradientStop { position: 1; color: Theme.warmBottom }
        }
    }
    Rectangle {
        anchors.fill: parent
        radius: glass.cornerRadius
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: Theme.alpha(glass.glowColor, glass.glowOpacity) }
            GradientStop { position: Math.min(1, 700 / Math.max(1, glass.width)); color: "transparent" }
        }
    }
    Rectangle {
        x: glass.cornerRadius / 2
        width: parent.width - glass.cornerRadius
        height: 8
        y: 1
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(0, 0, 0, 0.9) }
            GradientStop { position: 1; color: "transparent" }
        }
        opacity: 0.6
    }
    Rectangle {
        anchors.fill: parent
        radius: glass.cornerRadius
        color: "transparent"
        border.width: 1.2
        border.color: Theme.alpha(glass.edgeColor, glass.edgeOpacity)
    }
}
