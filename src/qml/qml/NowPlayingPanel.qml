import QtQuick
import QtQuick.Window
import Amplora.Ui
import "Logic.js" as Logic

// The now-playing tile: cover or source symbol, what is playing, transport buttons, progress, and the Spotify
// hand-off while Spotify waits for a device choice.
Item {
    id: panel
    // The tint is not animated: the symbols drawn in it are pictures, and every step of a colour animation would
    // draw and keep new ones. The fade below carries the change.
    readonly property color tint: Connection.displayTint
    readonly property bool spotifyWaits: NowPlaying.needsSpotifyPrompt
    readonly property bool network: NowPlaying.networkSource
    readonly property bool showsTrack: network && NowPlaying.hasTrackInfo
    // A zone on the tuner shows the station (or, without a name, where it is tuned) and under it the band with
    // the frequency and the station's running text.
    readonly property bool radio: NowPlaying.tuner && Connection.zoneOn
    readonly property string tuned: (NowPlaying.tunerBand + " " + NowPlaying.tunerFrequency).trim()
    readonly property string deviceName: NowPlaying.spotifyDeviceName
    // Advanced by the progress timeline, which runs only while a network source is shown and playing (a paused
    // position does not move); the elapsed time is read again on every tick and whenever the play information
    // changes.
    property int tick: 0
    readonly property var elapsed: (tick, NowPlaying.totalTime, NowPlaying.playing, NowPlaying.elapsedPlayTime)
    readonly property var total: NowPlaying.totalTime
    readonly property bool hasProgress: network && total !== undefined && total !== null
    // The height its texts need with the least margins; larger than drawn only with a larger desktop font.
    readonly property real neededHeight: info.implicitHeight + 2 * 14

    Accessible.role: Accessible.Grouping
    Accessible.name: qsTr("Now playing")

    // A change of what is playing (the cover, the title or the line under it) fades the new one in over 0.6 s;
    // the ticking progress does not count as a change.
    readonly property string shown: title.text + "\n" + subtitle.text + "\n" + NowPlaying.albumArtSource + "\n"
                                    + Sources.sourceSymbol
    property real fade: 1
    onShownChanged: if (!Desktop.reduceMotion) fadeIn.restart()
    NumberAnimation {
        id: fadeIn
        objectName: "changeAnimation"
        target: panel
        property: "fade"
        from: 0.25
        to: 1
        duration: 600
        easing.type: Easing.InOutQuad
    }

    Timer {
        id: timeline
        objectName: "progressTimeline"
        interval: 1000
        repeat: true
        running: panel.visible && panel.network && NowPlaying.playing && panel.Window.window !== null && panel.Window.window.visible
        onTriggered: panel.tick++
    }

    WarmPanel {
        anchors.fill: parent
        cornerRadius: 12
        glowColor: panel.tint
        glowOpacity: 0.1
        edgeColor: panel.tint
        edgeOpacity: 0.45
    }

    Row {
        anchors.fill: parent
        anchors.leftMargin: 34
        anchors.rightMargin: 34
        anchors.topMargin: 30
        anchors.bottomMargin: 30
        spacing: 34

        Rectangle {
            id: artwork
            width: 204
            height: 204
            opacity: panel.fade
            anchors.verticalCenter: parent.verticalCenter
            color: Qt.rgba(0, 0, 0, 0.6)
            border.width: 1
            border.color: Theme.alpha(panel.tint, 0.35)
            Accessible.ignored: true
            Image {
                anchors.fill: parent
                anchors.margins: 1
                visible: panel.showsTrack && NowPlaying.albumArtSource !== ""
                source: visible ? NowPlaying.albumArtSource : ""
                sourceSize.width: Math.ceil(width * Screen.devicePixelRatio)
                sourceSize.height: Math.ceil(height * Screen.devicePixelRatio)
                fillMode: Image.Stretch
                asynchronous: false
                cache: false
            }
            Symbol {
                anchors.centerIn: parent
                visible: !(panel.showsTrack && NowPlaying.albumArtSource !== "")
                name: Sources.sourceSymbol
                size: 64
                color: Theme.alpha(panel.tint, Connection.zoneOn ? 0.7 : 0.25)
            }
        }

        Column {
            id: info
            width: parent.width - artwork.width - parent.spacing
            anchors.verticalCenter: parent.verticalCenter
            spacing: 14

            Column {
                width: parent.width
                spacing: 8
                opacity: panel.fade
                Text {
                    text: Connection.zoneOn ? qsTr("NOW PLAYING") : qsTr("STANDBY")
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(15)
                    font.letterSpacing: 1.4
                    color: Theme.alpha(panel.tint, 0.65)
                }
                Text {
                    id: title
                    objectName: "nowPlayingTitle"
                    width: parent.width
                    text: panel.spotifyWaits ? qsTr("Open Spotify and choose %1").arg(panel.deviceName)
                                             : panel.radio ? (NowPlaying.tunerStation || panel.tuned || Sources.inputName)
                                             : (panel.showsTrack ? NowPlaying.track : Sources.inputName)
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(33)
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: 20
                    elide: Text.ElideRight
                    color: panel.tint
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
                Text {
                    id: subtitle
                    width: parent.width
                    text: !Connection.zoneOn ? qsTr("Power is off")
                                        : panel.radio ? (NowPlaying.tunerStation ? panel.tuned : "")
                                                        + (NowPlaying.tunerStation && NowPlaying.tunerText ? " · " : "")
                                                        + NowPlaying.tunerText
                                        : (panel.network ? (NowPlaying.hasTrackInfo ? NowPlaying.artist : qsTr("Nothing playing")) : "")
                    textFormat: Text.PlainText
                    visible: text.length > 0
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(22)
                    elide: Text.ElideRight
                    color: Theme.alpha(panel.tint, 0.85)
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
                Row {
                    topPadding: 6
                    spacing: 8
                    Symbol { name: Sources.sourceSymbol; size: 20; color: Theme.alpha(panel.tint, 0.8) }
                    Text {
                        text: Sources.inputName
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(20)
                        color: Theme.alpha(panel.tint, 0.8)
                        Accessible.role: Accessible.StaticText
                        Accessible.name: qsTr("Input %1").arg(text)
                    }
                    // The zone plays as part of a group of linked receivers; the group's name is the receiver's.
                    Rectangle {
                        objectName: "linkBadge"
                        visible: Sources.linked
                        anchors.verticalCenter: parent.verticalCenter
                        width: linkWord.implicitWidth + 16
                        height: linkWord.implicitHeight + 6
                        radius: height / 2
                        color: "transparent"
                        border.color: Theme.alpha(panel.tint, 0.6)
                        Accessible.role: Accessible.StaticText
                        Accessible.name: Sources.linkGroup.length > 0
                                         ? qsTr("Linked with the group %1").arg(Sources.linkGroup)
                                         : qsTr("Linked with other receivers")
                        Text {
                            id: linkWord
                            anchors.centerIn: parent
                            text: Sources.linkGroup.length > 0
                                  ? qsTr("Linked: %1", "a badge beside the input; %1 is the group's name")
                                    .arg(Sources.linkGroup)
                                  : qsTr("Linked", "a badge beside the input")
                            textFormat: Text.PlainText
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.px(16)
                            color: Theme.alpha(panel.tint, 0.8)
                            Accessible.ignored: true
                        }
                    }
                }
            }

            Deferred {
                objectName: "openSpotify"
                shown: panel.spotifyWaits
                // qmllint disable unqualified
                sourceComponent: HardwareButton {
                    id: spotifyButton
                    height: 72
                    width: spotifyContent.implicitWidth + 56
                    text: qsTr("Open Spotify")
                    onClicked: NowPlaying.openSpotify()
                    ToolTipArea {
                        text: qsTr("Opens Spotify so you can choose %1 as the device").arg(panel.deviceName)
                        hovered: spotifyButton.hovered
                    }
                    background: Rectangle {
                        radius: height / 2
                        color: Qt.rgba(0, 0, 0, 0.35)
                        border.width: 1.2
                        border.color: Theme.alpha(panel.tint, 0.55)
                    }
                    contentItem: Item {
                        Row {
                            id: spotifyContent
                            anchors.centerIn: parent
                            spacing: 10
                            Symbol { name: Desktop.symbol("arrow.up.forward.app"); size: 22; color: panel.tint; anchors.verticalCenter: parent.verticalCenter }
                            Text { text: qsTr("Open Spotify"); textFormat: Text.PlainText; font.family: Theme.fontFamily; font.pixelSize: Theme.px(22); color: panel.tint }
                        }
                    }
                }
                // qmllint enable unqualified
            }

            Deferred {
                objectName: "transport"
                shown: Logic.showsTransport(panel.network, panel.spotifyWaits)
                // qmllint disable unqualified
                sourceComponent: Row {
                    spacing: 18
                    TransportButton {
                        diameter: 72
                        symbol: Desktop.symbol("backward.end.fill")
                        accessibleName: qsTr("Previous track")
                        tint: panel.tint
                        anchors.verticalCenter: parent.verticalCenter
                        onClicked: NowPlaying.previousTrack()
                    }
                    TransportButton {
                        diameter: 92
                        symbol: Desktop.symbol(NowPlaying.playing ? "pause.fill" : "play.fill")
                        accessibleName: NowPlaying.playing ? qsTr("Pause", "button") : qsTr("Play", "button")
                        tint: panel.tint
                        onClicked: NowPlaying.togglePlayback()
                    }
                    TransportButton {
                        diameter: 72
                        symbol: Desktop.symbol("forward.end.fill")
                        accessibleName: qsTr("Next track")
                        tint: panel.tint
                        anchors.verticalCenter: parent.verticalCenter
                        onClicked: NowPlaying.nextTrack()
                    }
                    // Repeat and shuffle where what is playing offers them; an unlit symbol is "off".
                    Item { width: 16; height: 1; visible: NowPlaying.supportsRepeat || NowPlaying.supportsShuffle }
                    TransportButton {
                        objectName: "repeatButton"
                        visible: NowPlaying.supportsRepeat
                        diameter: 56
                        symbol: Desktop.symbol(NowPlaying.repeatMode === "one" ? "repeat.1" : "repeat")
                        caption: NowPlaying.repeatMode === "all" || NowPlaying.repeatMode === "one" || NowPlaying.repeatMode === "off"
                                 ? "" : Logic.modeWord(NowPlaying.repeatMode).toUpperCase()
                        accessibleName: qsTr("Repeat: %1").arg(Logic.modeWord(NowPlaying.repeatMode))
                        checkable: true
                        checked: NowPlaying.repeatMode.length > 0 && NowPlaying.repeatMode !== "off"
                        tint: Theme.alpha(panel.tint, NowPlaying.repeatMode === "off" ? 0.35 : 1)
                        anchors.verticalCenter: parent.verticalCenter
                        onClicked: NowPlaying.cycleRepeat()
                        ToolTipArea { text: qsTr("Repeat: %1").arg(Logic.modeWord(NowPlaying.repeatMode)); hovered: parent.hovered }
                    }
                    TransportButton {
                        objectName: "shuffleButton"
                        visible: NowPlaying.supportsShuffle
                        diameter: 56
                        symbol: Desktop.symbol("shuffle")
                        caption: NowPlaying.shuffleMode === "on" || NowPlaying.shuffleMode === "off" ? ""
                                 : Logic.modeWord(NowPlaying.shuffleMode).toUpperCase()
                        accessibleName: qsTr("Shuffle: %1").arg(Logic.modeWord(NowPlaying.shuffleMode))
                        checkable: true
                        checked: NowPlaying.shuffleMode.length > 0 && NowPlaying.shuffleMode !== "off"
                        tint: Theme.alpha(panel.tint, NowPlaying.shuffleMode === "off" ? 0.35 : 1)
                        anchors.verticalCenter: parent.verticalCenter
                        onClicked: NowPlaying.cycleShuffle()
                        ToolTipArea { text: qsTr("Shuffle: %1").arg(Logic.modeWord(NowPlaying.shuffleMode)); hovered: parent.hovered }
                    }
                }
                // qmllint enable unqualified
            }

            Row {
                objectName: "progress"
                visible: panel.hasProgress && !panel.spotifyWaits
                width: parent.width
                spacing: 12
                Accessible.role: Accessible.ProgressBar
                Accessible.name: qsTr("Progress", "position in the track")
                // Qt's accessible wrapper reads a progress bar's position and range from these, in seconds.
                readonly property real minimumValue: 0
                readonly property real maximumValue: panel.total ?? 0
                readonly property real value: Math.min(panel.elapsed ?? 0, maximumValue)
                Accessible.description: Logic.progressAccessibility(panel.elapsed, panel.total)
                Text {
                    id: elapsedText
                    objectName: "elapsedText"
                    text: panel.elapsed !== undefined && panel.elapsed !== null ? Logic.formatTime(panel.elapsed) : "0:00"
                    textFormat: Text.PlainText
                    font.family: Theme.monoFamily
                    font.pixelSize: Theme.px(19)
                    color: Theme.alpha(panel.tint, 0.9)
                    Accessible.ignored: true
                }
                Item {
                    width: parent.width - elapsedText.width - totalText.width - 2 * parent.spacing
                    height: 7
                    anchors.verticalCenter: parent.verticalCenter
                    Rectangle { anchors.fill: parent; radius: 3.5; color: Theme.alpha(panel.tint, 0.18) }
                    Rectangle {
                        height: parent.height
                        radius: 3.5
                        color: Theme.alpha(panel.tint, 0.6)
                        width: panel.hasProgress && panel.total > 0
                               ? parent.width * Math.min(1, Math.max(0, (panel.elapsed || 0) / panel.total)) : 0
                    }
                }
                Text {
                    id: totalText
                    objectName: "totalText"
                    text: panel.hasProgress ? Logic.formatTime(panel.total) : ""
                    textFormat: Text.PlainText
                    font.family: Theme.monoFamily
                    font.pixelSize: Theme.px(19)
                    color: Theme.alpha(panel.tint, 0.9)
                    Accessible.ignored: true
                }
            }
        }
    }
}
