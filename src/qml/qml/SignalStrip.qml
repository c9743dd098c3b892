pragma ComponentBehavior: Bound

import QtQuick
import Amplora.Ui
import "Logic.js" as Logic

// The amber "SIGNAL" display under the now-playing tile: format lamps, format, sample rate and bit depth.
// While it is on screen the store keeps the signal information fresh.
Item {
    id: strip
    readonly property bool active: SignalLamps.active
    readonly property color amber: Theme.stripAmber
    // With a larger desktop font the readings may not fit beside the format lamps: the lamps give way, as the
    // format reading names the same.
    readonly property bool showsLamps: Theme.textScale <= 1
                                       || 18 + heading.implicitWidth + 29 + lamps.implicitWidth + 24
                                          + readings.implicitWidth + 29 + 18 <= glass.width

    Component.onCompleted: {
        Connection.signalStripVisible = true
        Connection.signalVisibilityChanged()
    }
    Component.onDestruction: {
        Connection.signalStripVisible = false
        Connection.signalVisibilityChanged()
    }

    WarmPanel {
        id: glass
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
                id: heading
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("SIGNAL", "heading of the strip with the incoming signal's format")
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(11)
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
                id: lamps
                visible: strip.showsLamps
                anchors.verticalCenter: parent.verticalCenter
                spacing: 7
                Repeater {
                    model: SignalLamps.formatLamps
                    FormatLamp {
                        required property string name
                        required property bool current
                        label: name
                        lit: current
                    }
                }
            }
            Item { width: 24; height: 1; visible: strip.showsLamps }
            Row {
                id: readings
                anchors.verticalCenter: parent.verticalCenter
                spacing: 24
                Repeater {
                    model: [
                        { caption: qsTr("FORMAT", "of the audio signal"), value: SignalLamps.format },
                        { caption: qsTr("SAMPLE RATE"), value: SignalLamps.sampleRate },
                        { caption: qsTr("BIT DEPTH"), value: SignalLamps.bitDepth }
                    ]
                    Row {
                        id: reading
                        required property var modelData
                        spacing: 6
                        Text {
                            anchors.baseline: value.baseline
                            text: reading.modelData.caption
                            textFormat: Text.PlainText
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.px(10)
                            font.weight: Font.DemiBold
                            font.letterSpacing: 1.4
                            color: Theme.alpha(strip.amber, strip.active ? 0.55 : 0.25)
                        }
                        Text {
                            id: value
                            text: reading.modelData.value
                            textFormat: Text.PlainText
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.px(20)
                            font.weight: Font.Medium
                            color: strip.amber
                            opacity: reading.modelData.value === "\u2014" ? 0.35 : 1
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
    Accessible.name: Logic.fill(qsTr("Signal, format %1, sample rate %2, bit depth %3"),
                                [SignalLamps.format, SignalLamps.sampleRate, SignalLamps.bitDepth])
}
