import QtQuick
import Amplora.Ui

// The amber "SIGNAL" display under the now-playing tile: format lamps, format, sample rate and bit depth.
// While it is on screen the store keeps the signal information fresh.
Item {
    id: strip
    readonly property var values: Panel.signalStrip
    readonly property bool active: values.active
    readonly property color amber: Theme.stripAmber

    Component.onCompleted: {
        Panel.signalStripVisible = true
        Panel.signalVisibilityChanged()
    }
    Component.onDestruction: {
        Panel.signalStripVisible = false
        Panel.signalVisibilityChanged()
    }

    WarmPanel {
        anchors.fill: parent
        anchors.leftMargin: 22
        anchors.rightMargin: 22
        cornerRadius: 10
        glowOpacity: strip.active ? 0.2 : 0.09
        edgeOpacity: strip.active ? 0.45 : 0.03

        Row {
            anchors.verticalCenter: parent.verticalCenter
            x: 18
            spacing: 0
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "SIGNAL"
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: 11
                font.weight: Font.DemiBold
                font.letterSpacing: 1.8
                color: Theme.alpha(strip.amber, strip.active ? 0.6 : 0.25)
            }
            Item {
                width: 29
                height: 22
                anchors.verticalCenter: parent.verticalCenter
                Rectangle { anchors.centerIn: parent; width: 1; height: 22; color: Theme.alpha(strip.amber, 0.25) }
            }
            Row {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 7
                Repeater {
                    model: strip.values.lamps
                    FormatLamp {
                        required property var modelData
                        label: modelData.label
                        lit: modelData.lit
                    }
                }
            }
            Item { width: 24; height: 1 }
            Row {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 24
                Repeater {
                    model: [
                        { caption: "FORMAT", value: strip.values.format },
                        { caption: "SAMPLE RATE", value: strip.values.sampleRate },
                        { caption: "BIT DEPTH", value: strip.values.bitDepth }
                    ]
                    Row {
                        required property var modelData
                        spacing: 6
                        Text {
                            anchors.baseline: value.baseline
                            text: modelData.caption
                            textFormat: Text.PlainText
                            font.family: Theme.fontFamily
                            font.pixelSize: 10
                            font.weight: Font.DemiBold
                            font.letterSpacing: 1.4
                            color: Theme.alpha(strip.amber, strip.active ? 0.55 : 0.25)
                        }
                        Text {
                            id: value
                            text: modelData.value
                            textFormat: Text.PlainText
                            font.family: Theme.fontFamily
                            font.pixelSize: 20
                            font.weight: Font.Medium
                            color: strip.amber
                            opacity: modelData.value === "\u2014" ? 0.35 : 1
                        }
                    }
                }
            }
            Item {
                width: 29
                height: 20
                anchors.verticalCenter: parent.verticalCenter
                Rectangle { anchors.centerIn: parent; width: 1; height: 20; color: Theme.alpha(strip.amber, 0.25) }
            }
        }
    }

    Accessible.role: Accessible.StaticText
    Accessible.name: "Signal, format " + values.format + ", sample rate " + values.sampleRate + ", bit depth "
                     + values.bitDepth
}
