import QtQuick
import Amplora.Ui

// The working front panel, laid out on the 1536 x 1024 design canvas.
Item {
    id: panel
    width: 1536
    height: 1024
    // From 0 at the usual text size to 1 at the largest: the gaps between the blocks give the taller rows room.
    readonly property real squeeze: (Theme.textScale - 1) * 2

    Column {
        width: parent.width

        // Header: brand, model.
        Item {
            width: parent.width
            height: 26 + 48
            Row {
                x: 40
                y: 26
                spacing: 26
                Row {
                    spacing: 10
                    Symbol { name: Desktop.symbol("circle.hexagongrid.circle"); size: 34; color: Theme.labelAmber; anchors.verticalCenter: parent.verticalCenter }
                    Text {
                        text: "YAMAHA"
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(36)
                        font.weight: Font.Black
                        font.letterSpacing: -0.5
                        color: Theme.labelAmber
                    }
                }
                Rectangle { width: 1; height: 40; color: Qt.rgba(1, 1, 1, 0.18); anchors.verticalCenter: parent.verticalCenter }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "AVENTAGE"
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(26)
                    font.letterSpacing: 3
                    color: Theme.labelAmber
                }
            }
            Column {
                anchors.right: parent.right
                anchors.rightMargin: 40
                y: 26
                spacing: 2
                Text {
                    objectName: "modelName"
                    anchors.right: parent.right
                    text: Connection.modelName
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(24)
                    font.letterSpacing: 1
                    color: Theme.panelText
                }
                Text {
                    anchors.right: parent.right
                    text: "AV RECEIVER"
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(12)
                    font.letterSpacing: 1.6
                    color: Theme.secondaryText
                }
            }
        }

        // Top row: now playing (with the signal strip hanging below it), volume, power and mute.
        Item {
            width: parent.width
            height: 8 + topRow.height + 94
            Row {
                id: topRow
                x: 40
                y: 8
                spacing: 34
                NowPlayingPanel {
                    id: nowPlaying
                    objectName: "nowPlaying"
                    width: panel.width - 80 - volume.width - powerMute.width - 8 - 2 * topRow.spacing
                    // At the usual text size the tile keeps the height the panel was drawn with; a larger desktop
                    // font makes it as tall as its texts need.
                    height: Theme.textScale > 1 ? Math.max(290, neededHeight) : 290
                    anchors.verticalCenter: parent.verticalCenter
                    SignalStrip {
                        objectName: "signalStrip"
                        width: parent.width
                        height: 52
                        y: parent.height - height + 64
                    }
                }
                VolumeSection {
                    id: volume
                }
                Item {
                    width: powerMute.width + 8
                    height: powerMute.height
                    anchors.verticalCenter: parent.verticalCenter
                    PowerMuteColumn {
                        id: powerMute
                        x: 8
                    }
                }
            }
        }

        PanelDivider { width: parent.width }

        // Input block.
        Column {
            x: 40
            topPadding: 18 - 8 * panel.squeeze
            bottomPadding: 18 - 8 * panel.squeeze
            spacing: 14 - 4 * panel.squeeze
            SectionHeading { title: qsTr("Input", "heading of the input buttons") }
            Row {
                spacing: 30
                InputRow { objectName: "inputRow" }
                VerticalPanelDivider { height: 90; anchors.verticalCenter: parent.verticalCenter }
                ZoneSwitch { objectName: "zoneSwitch"; anchors.verticalCenter: parent.verticalCenter }
                VerticalPanelDivider { height: 90; visible: Connection.supportsSleep; anchors.verticalCenter: parent.verticalCenter }
                Deferred { objectName: "sleep"; shown: Connection.supportsSleep; sourceComponent: SleepButton {} }
            }
        }

        PanelDivider { width: parent.width }

        // Sound block.
        Row {
            x: 40
            topPadding: 26 - 12 * panel.squeeze
            spacing: 34
            Deferred {
                objectName: "soundModeRow"
                // Qt 6.4's linter knows no JavaScript methods on a string list.
                shown: Connection.funcList.indexOf("sound_program") >= 0 // qmllint disable type
                // qmllint disable unqualified
                sourceComponent: SoundModeRow {
                    // What the sound controls leave at their narrowest.
                    maximumWidth: panel.width - 2 * 40 - 2 * 34 - 1 - soundPanel.compactWidth
                }
                // qmllint enable unqualified
            }
            VerticalPanelDivider {
                height: 220
                visible: Connection.funcList.indexOf("sound_program") >= 0 // qmllint disable type
            }
            SoundPanel {
                id: soundPanel
                objectName: "soundPanel"
                availableWidth: panel.width - 2 * 40 - x
            }
        }
    }

    // Footer.
    Column {
        anchors.bottom: parent.bottom
        width: parent.width
        PanelDivider { width: parent.width }
        Item {
            width: parent.width
            height: 20 + 36
            Text {
                x: 44
                anchors.verticalCenter: parent.verticalCenter
                anchors.verticalCenterOffset: -6
                text: "NATURAL SOUND  AV RECEIVER"
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(15)
                font.letterSpacing: 2.4
                color: Theme.labelAmber
                Text {
                    id: statusLine
                    objectName: "statusLine"
                    anchors.left: parent.right
                    anchors.leftMargin: 28
                    anchors.baseline: parent.baseline
                    text: Connection.statusLine
                    // It carries addresses and failure texts the network supplied.
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(12)
                    color: Connection.connectionFailed ? Qt.rgba(1, 0.23, 0.19, 0.8) : Theme.tertiaryText
                    HoverHandler { id: statusHover }
                    ToolTipArea { text: Connection.lastError; hovered: statusHover.hovered }
                }
            }
            Text {
                anchors.right: parent.right
                anchors.rightMargin: 44
                anchors.verticalCenter: parent.verticalCenter
                anchors.verticalCenterOffset: -6
                text: "AVENTAGE"
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(20)
                font.letterSpacing: 3
                color: Theme.labelAmber
            }
        }
    }
}
