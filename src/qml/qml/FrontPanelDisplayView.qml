pragma ComponentBehavior: Bound

import QtQuick
import Amplora.Ui
import "Logic.js" as Logic

// The whole window as the receiver's fluorescent display. Escape or "Show Controls" brings the controls back.
Item {
    id: display
    readonly property string state: Connection.displayState
    readonly property color tint: Connection.displayTint
    readonly property var volume: Volume.volumeDB
    readonly property string volumeText: Logic.displayVolume(Volume.muted, volume)

    function leave() {
        Settings.frontPanelDisplay = false
    }

    focus: true
    Keys.onEscapePressed: display.leave()
    Shortcut {
        // StandardKey is registered by Qt Quick's plugin at run time, out of qmllint's sight.
        sequence: StandardKey.Cancel // qmllint disable unqualified
        onActivated: display.leave()
    }

    Component.onCompleted: {
        if (!Connection.frontPanelVisible)
            Connection.frontPanelVisible = true
        Connection.signalVisibilityChanged()
    }
    Component.onDestruction: {
        if (Connection.frontPanelVisible)
            Connection.frontPanelVisible = false
        Connection.signalVisibilityChanged()
    }

    Rectangle {
        id: frame
        anchors.fill: parent
        anchors.margins: 34
        radius: 24
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: Qt.rgba(1, 1, 1, 0.035) }
            GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0.018) }
        }
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)

        Column {
            id: content
            anchors.fill: parent
            anchors.leftMargin: 100
            anchors.rightMargin: 100
            anchors.topMargin: 76
            anchors.bottomMargin: 76
            spacing: 40

            Row {
                spacing: 18
                opacity: 0.22
                Text { text: "YAMAHA"; textFormat: Text.PlainText; color: "white"; font.family: Theme.fontFamily; font.pixelSize: Theme.px(20); font.weight: Font.DemiBold; font.letterSpacing: 5 }
                Text { text: "AVENTAGE"; textFormat: Text.PlainText; color: "white"; font.family: Theme.fontFamily; font.pixelSize: Theme.px(18); font.letterSpacing: 7; anchors.baseline: parent.children[0].baseline }
            }

            Text {
                objectName: "displayStateWord"
                visible: display.state !== "live"
                text: display.state === "notConnected" ? qsTr("NOT CONNECTED") : qsTr("STANDBY")
                textFormat: Text.PlainText
                width: Math.max(440, implicitWidth)
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(66)
                font.weight: Font.Light
                font.letterSpacing: 8
                color: "white"
                opacity: 0.15
            }

            Column {
                objectName: "liveDisplay"
                visible: display.state === "live"
                width: parent.width
                spacing: 28

                Row {
                    objectName: "indicators"
                    spacing: 4
                    Repeater {
                        model: SignalLamps.indicators
                        Item {
                            id: indicator
                            required property string name
                            required property bool current
                            width: word.implicitWidth + 20
                            height: word.implicitHeight
                            Text {
                                id: word
                                anchors.centerIn: parent
                                text: indicator.name
                                textFormat: Text.PlainText
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.px(19)
                                font.weight: Font.Medium
                                font.letterSpacing: 1.2
                                color: display.tint
                                opacity: indicator.current ? 1 : 0.15
                                style: indicator.current ? Text.Raised : Text.Normal
                                styleColor: Theme.alpha(display.tint, 0.5)
                            }
                            Accessible.role: Accessible.StaticText
                            Accessible.name: current ? qsTr("%1 on", "a lit indicator").arg(name)
                                                     : qsTr("%1 off", "an unlit indicator").arg(name)
                        }
                    }
                    // The minutes left while a sleep timer runs, as the receiver's own display shows them.
                    Text {
                        objectName: "displaySleep"
                        visible: Connection.supportsSleep && Connection.sleepMinutes > 0
                        leftPadding: 10
                        // The minutes left, as the receiver's display shows them.
                        text: qsTr("SLEEP %1").arg(String(Connection.sleepMinutes))
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(19)
                        font.weight: Font.Medium
                        font.letterSpacing: 1.2
                        color: display.tint
                        style: Text.Raised
                        styleColor: Theme.alpha(display.tint, 0.5)
                        Accessible.role: Accessible.StaticText
                        Accessible.name: qsTr("Sleep timer, %n minutes left", "", Connection.sleepMinutes)
                    }
                }

                Item {
                    objectName: "mainLine"
                    width: parent.width
                    height: inputName.height
                    Accessible.role: Accessible.StaticText
                    Accessible.name: Logic.fill(qsTr("Input %1, volume %2"), [Sources.inputName, display.volumeText])
                    Text {
                        id: volumeWord
                        objectName: "displayVolume"
                        anchors.right: parent.right
                        anchors.baseline: inputName.baseline
                        width: Math.min(implicitWidth, parent.width * 0.45)
                        horizontalAlignment: Text.AlignRight
                        text: display.volumeText
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(98)
                        font.weight: Font.Light
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: 39
                        color: display.tint
                        Accessible.ignored: true
                    }
                    Text {
                        id: inputName
                        width: parent.width - volumeWord.width - 48
                        text: Sources.inputName
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(102)
                        font.weight: Font.Medium
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: 36
                        elide: Text.ElideRight
                        color: display.tint
                        Accessible.ignored: true
                    }
                }

                Column {
                    width: parent.width
                    spacing: 6
                    Text {
                        width: parent.width
                        text: Sources.soundProgramName
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(34)
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: 20
                        elide: Text.ElideRight
                        color: display.tint
                    }
                    TrackMarquee {
                        objectName: "marquee"
                        width: parent.width
                        height: 44
                        text: NowPlaying.marqueeText
                        reduceMotion: Desktop.reduceMotion
                    }
                }

                Rectangle { width: parent.width; height: 1; color: Theme.alpha(display.tint, 0.1) }

                Row {
                    objectName: "signalRow"
                    // Qt 6.4's linter knows no JavaScript methods on a string list.
                    visible: Connection.funcList.indexOf("signal_info") >= 0 // qmllint disable type
                    spacing: 30
                    height: Math.max(82, implicitHeight)
                    Text {
                        text: SignalLamps.summary
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(23)
                        color: display.tint
                    }
                    Text {
                        text: SignalLamps.detail
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(20)
                        color: display.tint
                        opacity: 0.6
                    }
                }
            }
        }

        HardwareButton {
            objectName: "showControls"
            anchors.left: parent.left
            anchors.leftMargin: 100
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 40
            width: showLabel.implicitWidth + 8
            height: showLabel.implicitHeight + 8
            text: qsTr("Show Controls")
            Accessible.description: qsTr("Return to receiver controls")
            background: Item {}
            contentItem: Text {
                id: showLabel
                text: qsTr("Show Controls")
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(16)
                color: "white"
                opacity: 0.35
            }
            onClicked: display.leave()
        }
    }
}
