<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>APISettingsSection</name>
    <message>
        <source>API</source>
        <comment>settings section of the local HTTP API</comment>
        <translation>API</translation>
    </message>
    <message>
        <source>Local HTTP API</source>
        <translation>Lokale HTTP-API</translation>
    </message>
    <message>
        <source>Port</source>
        <comment>network port</comment>
        <translation>Port</translation>
    </message>
    <message>
        <source>Localhost only</source>
        <translation>Nur localhost</translation>
    </message>
    <message>
        <source>Token</source>
        <translation>Token</translation>
    </message>
    <message>
        <source>Token hidden</source>
        <translation>Token verborgen</translation>
    </message>
    <message>
        <source>Hide</source>
        <comment>the token</comment>
        <translation>Verbergen</translation>
    </message>
    <message>
        <source>Show</source>
        <comment>the token</comment>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Copied</source>
        <comment>the token</comment>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Copy</source>
        <comment>the token</comment>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Regenerate Token</source>
        <translation>Token erneuern</translation>
    </message>
    <message>
        <source>Callers send “Authorization: Bearer &lt;token&gt;”. Regenerating stops the old token at once. Turn off Localhost only to reach the API from another machine, such as Home Assistant.</source>
        <translation>Aufrufer senden „Authorization: Bearer &lt;token&gt;“. Ein erneuertes Token macht das alte sofort ungültig. Schalten Sie „Nur localhost“ aus, um die API von einem anderen Rechner aus zu erreichen, etwa von Home Assistant.</translation>
    </message>
</context>
<context>
    <name>ControlPanel</name>
    <message>
        <source>Input</source>
        <comment>heading of the input buttons</comment>
        <translation>Eingang</translation>
    </message>
</context>
<context>
    <name>FrontPanelDisplayView</name>
    <message>
        <source>NOT CONNECTED</source>
        <translation>NICHT VERBUNDEN</translation>
    </message>
    <message>
        <source>STANDBY</source>
        <translation>STANDBY</translation>
    </message>
    <message>
        <source>%1 on</source>
        <comment>a lit indicator</comment>
        <translation>%1 an</translation>
    </message>
    <message>
        <source>%1 off</source>
        <comment>an unlit indicator</comment>
        <translation>%1 aus</translation>
    </message>
    <message>
        <source>SLEEP %1</source>
        <translation>SLEEP %1</translation>
    </message>
    <message numerus="yes">
        <source>Sleep timer, %n minutes left</source>
        <translation>
            <numerusform>Sleep-Timer, noch %n Minute</numerusform>
            <numerusform>Sleep-Timer, noch %n Minuten</numerusform>
        </translation>
    </message>
    <message>
        <source>Input %1, volume %2</source>
        <translation>Eingang %1, Lautstärke %2</translation>
    </message>
    <message>
        <source>Show Controls</source>
        <translation>Bedienfeld anzeigen</translation>
    </message>
    <message>
        <source>Return to receiver controls</source>
        <translation>Zurück zur Receiver-Bedienung</translation>
    </message>
</context>
<context>
    <name>InputProfilesSettingsSection</name>
    <message>
        <source>Input Profiles</source>
        <translation>Eingangsprofile</translation>
    </message>
    <message>
        <source>No input profiles yet. Choose “Remember for this input” under More in the main window.</source>
        <translation>Noch keine Eingangsprofile. Wählen Sie im Hauptfenster unter „Mehr“ „Für diesen Eingang merken“.</translation>
    </message>
    <message>
        <source>Delete the profile of %1</source>
        <comment>an input&apos;s profile</comment>
        <translation>Profil von %1 löschen</translation>
    </message>
</context>
<context>
    <name>InputRow</name>
    <message>
        <source>Favourites</source>
        <translation>Favoriten</translation>
    </message>
    <message>
        <source>Receiver Scenes</source>
        <translation>Receiver-Szenen</translation>
    </message>
    <message>
        <source>More inputs</source>
        <translation>Weitere Eingänge</translation>
    </message>
    <message>
        <source>Has an input profile</source>
        <translation>Hat ein Eingangsprofil</translation>
    </message>
    <message>
        <source>Remember for this input</source>
        <translation>Für diesen Eingang merken</translation>
    </message>
    <message>
        <source>Tuner Presets</source>
        <translation>Radiospeicher</translation>
    </message>
</context>
<context>
    <name>KeysOverlay</name>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <comment>keys: what they do</comment>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>LampButton</name>
    <message>
        <source>On</source>
        <comment>state of a sound switch</comment>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <comment>state of a sound switch</comment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>ON</source>
        <comment>state of a sound switch</comment>
        <translation>EIN</translation>
    </message>
    <message>
        <source>OFF</source>
        <comment>state of a sound switch</comment>
        <translation>AUS</translation>
    </message>
</context>
<context>
    <name>Logic</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>%1 decibels</source>
        <translation>%1 Dezibel</translation>
    </message>
    <message>
        <source>Max %1 dB</source>
        <comment>the highest volume the app sends</comment>
        <translation>Max. %1 dB</translation>
    </message>
    <message>
        <source>Level %1</source>
        <translation>Stufe %1</translation>
    </message>
    <message>
        <source>%1 min</source>
        <comment>minutes left on the sleep timer</comment>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>Off</source>
        <comment>the sleep timer</comment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Off</source>
        <comment>repeat or shuffle mode</comment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>On</source>
        <comment>shuffle mode</comment>
        <translation>Ein</translation>
    </message>
    <message>
        <source>One</source>
        <comment>repeat mode: the current track again and again</comment>
        <translation>Ein Titel</translation>
    </message>
    <message>
        <source>All</source>
        <comment>repeat mode: every track</comment>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Songs</source>
        <comment>shuffle mode</comment>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Albums</source>
        <comment>shuffle mode</comment>
        <translation>Alben</translation>
    </message>
    <message>
        <source>Not available</source>
        <translation>Nicht verfügbar</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <comment>elapsed and total time of a track</comment>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>MUTE</source>
        <comment>the front-panel display while the zone is muted</comment>
        <translation>STUMM</translation>
    </message>
    <message>
        <source>VOLUME UNKNOWN</source>
        <translation>LAUTSTÄRKE UNBEKANNT</translation>
    </message>
    <message>
        <source>Up  +  =</source>
        <comment>keys</comment>
        <translation>Pfeil hoch  +  =</translation>
    </message>
    <message>
        <source>Volume up one step</source>
        <translation>Lautstärke einen Schritt höher</translation>
    </message>
    <message>
        <source>Down  -</source>
        <comment>keys</comment>
        <translation>Pfeil runter  -</translation>
    </message>
    <message>
        <source>Volume down one step</source>
        <translation>Lautstärke einen Schritt tiefer</translation>
    </message>
    <message>
        <source>M</source>
        <comment>key that mutes</comment>
        <translation>M</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Stummschalten ein oder aus</translation>
    </message>
    <message>
        <source>Space</source>
        <comment>key</comment>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>Play or pause, while the play buttons are shown</source>
        <translation>Wiedergabe oder Pause, solange die Wiedergabetasten zu sehen sind</translation>
    </message>
    <message>
        <source>Ctrl+1 … Ctrl+9</source>
        <comment>keys</comment>
        <translation>Strg+1 … Strg+9</translation>
    </message>
    <message>
        <source>Inputs 1 to 9: the input buttons from the left, then the others as &quot;More&quot; lists them</source>
        <translation>Eingänge 1 bis 9: die Eingangstasten von links, dann die übrigen wie unter „Mehr“</translation>
    </message>
    <message>
        <source>Ctrl+Shift+D</source>
        <comment>keys</comment>
        <translation>Strg+Umschalt+D</translation>
    </message>
    <message>
        <source>Front-panel display on or off</source>
        <translation>Frontdisplay ein oder aus</translation>
    </message>
    <message>
        <source>Escape</source>
        <comment>key</comment>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Leave the display or this list</source>
        <translation>Display oder diese Liste verlassen</translation>
    </message>
    <message>
        <source>Arrow keys</source>
        <translation>Pfeiltasten</translation>
    </message>
    <message>
        <source>Turn the knob that has the focus</source>
        <translation>Den Regler mit dem Fokus drehen</translation>
    </message>
    <message>
        <source>F1  ?</source>
        <comment>keys</comment>
        <translation>F1  ?</translation>
    </message>
    <message>
        <source>Show or hide this list</source>
        <translation>Diese Liste ein- oder ausblenden</translation>
    </message>
</context>
<context>
    <name>LoginItemSection</name>
    <message>
        <source>Startup</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Open at login</source>
        <translation>Bei der Anmeldung öffnen</translation>
    </message>
    <message>
        <source>Amplora keeps running in the menu bar when its window is closed.</source>
        <translation>Amplora läuft in der Menüleiste weiter, wenn sein Fenster geschlossen ist.</translation>
    </message>
</context>
<context>
    <name>MenuBarView</name>
    <message>
        <source>Zone</source>
        <translation>Zone</translation>
    </message>
    <message>
        <source>Power</source>
        <comment>button that switches the receiver on or off</comment>
        <translation>Ein/Aus</translation>
    </message>
    <message>
        <source>Mute</source>
        <comment>button that silences the receiver</comment>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Capped at %1</source>
        <translation>Begrenzt auf %1</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Scenes</source>
        <translation>Szenen</translation>
    </message>
    <message>
        <source>Favourites</source>
        <translation>Favoriten</translation>
    </message>
    <message>
        <source>Favourite %1</source>
        <translation>Favorit %1</translation>
    </message>
    <message>
        <source>Receiver Scenes</source>
        <translation>Receiver-Szenen</translation>
    </message>
    <message>
        <source>Open Amplora</source>
        <translation>Amplora öffnen</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>MoreMenu</name>
    <message>
        <source>More</source>
        <comment>button that lists every entry</comment>
        <translation>Mehr</translation>
    </message>
</context>
<context>
    <name>NowPlayingPanel</name>
    <message>
        <source>Now playing</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>NOW PLAYING</source>
        <translation>WIEDERGABE</translation>
    </message>
    <message>
        <source>STANDBY</source>
        <translation>STANDBY</translation>
    </message>
    <message>
        <source>Open Spotify and choose %1</source>
        <translation>Öffnen Sie Spotify und wählen Sie %1</translation>
    </message>
    <message>
        <source>Power is off</source>
        <translation>Ausgeschaltet</translation>
    </message>
    <message>
        <source>Nothing playing</source>
        <translation>Keine Wiedergabe</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Eingang %1</translation>
    </message>
    <message>
        <source>Open Spotify</source>
        <translation>Spotify öffnen</translation>
    </message>
    <message>
        <source>Opens Spotify so you can choose %1 as the device</source>
        <translation>Öffnet Spotify, damit Sie %1 als Gerät wählen können</translation>
    </message>
    <message>
        <source>Previous track</source>
        <translation>Vorheriger Titel</translation>
    </message>
    <message>
        <source>Pause</source>
        <comment>button</comment>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play</source>
        <comment>button</comment>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Next track</source>
        <translation>Nächster Titel</translation>
    </message>
    <message>
        <source>Repeat: %1</source>
        <translation>Wiederholen: %1</translation>
    </message>
    <message>
        <source>Shuffle: %1</source>
        <translation>Zufällige Wiedergabe: %1</translation>
    </message>
    <message>
        <source>Progress</source>
        <comment>position in the track</comment>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Linked with the group %1</source>
        <translation>Verbunden mit der Gruppe %1</translation>
    </message>
    <message>
        <source>Linked with other receivers</source>
        <translation>Mit anderen Receivern verbunden</translation>
    </message>
    <message>
        <source>Linked: %1</source>
        <comment>a badge beside the input; %1 is the group&apos;s name</comment>
        <translation>Verbunden: %1</translation>
    </message>
    <message>
        <source>Linked</source>
        <comment>a badge beside the input</comment>
        <translation>Verbunden</translation>
    </message>
</context>
<context>
    <name>OnScreenDisplayWindow</name>
    <message>
        <source>Amplora: change</source>
        <translation>Amplora: Änderung</translation>
    </message>
</context>
<context>
    <name>PowerMuteColumn</name>
    <message>
        <source>Power off</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Power on</source>
        <translation>Einschalten</translation>
    </message>
    <message>
        <source>Mute</source>
        <comment>button that silences the receiver</comment>
        <translation>Stumm</translation>
    </message>
</context>
<context>
    <name>ReceiverDiscoverySection</name>
    <message>
        <source>Receiver</source>
        <comment>settings section</comment>
        <translation>Receiver</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Find Receivers</source>
        <translation>Receiver suchen</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Suche …</translation>
    </message>
    <message>
        <source>Test Push Events</source>
        <translation>Push-Ereignisse testen</translation>
    </message>
    <message>
        <source>Select %1</source>
        <comment>a found receiver</comment>
        <translation>%1 auswählen</translation>
    </message>
    <message>
        <source>Save Diagnostics…</source>
        <translation>Diagnose speichern…</translation>
    </message>
    <message>
        <source>IP address or host name</source>
        <translation>IP-Adresse oder Hostname</translation>
    </message>
    <message>
        <source>Probe</source>
        <translation>Abfragen</translation>
    </message>
    <message>
        <source>Ask the typed host directly whether it is a receiver</source>
        <translation>Den eingegebenen Host direkt fragen, ob er ein Receiver ist</translation>
    </message>
</context>
<context>
    <name>SaveSceneSheet</name>
    <message>
        <source>Save Current as Scene</source>
        <translation>Aktuelles als Szene speichern</translation>
    </message>
    <message>
        <source>Scene name</source>
        <translation>Szenenname</translation>
    </message>
    <message>
        <source>Current settings in %1</source>
        <comment>a zone</comment>
        <translation>Aktuelle Einstellungen in %1</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>ScenesSettingsSection</name>
    <message>
        <source>Scenes</source>
        <translation>Szenen</translation>
    </message>
    <message>
        <source>No scenes yet.</source>
        <translation>Noch keine Szenen.</translation>
    </message>
    <message>
        <source>Run</source>
        <comment>runs a stored scene</comment>
        <translation>Ausführen</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <comment>a stored scene</comment>
        <translation>%1 löschen</translation>
    </message>
    <message>
        <source>Save Current as Scene…</source>
        <translation>Aktuelles als Szene speichern …</translation>
    </message>
</context>
<context>
    <name>SettingsLogic</name>
    <message>
        <source>Zone 2</source>
        <translation>Zone 2</translation>
    </message>
    <message>
        <source>Main</source>
        <comment>the main zone</comment>
        <translation>Hauptzone</translation>
    </message>
    <message>
        <source>On</source>
        <comment>power state</comment>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Standby</source>
        <comment>power state</comment>
        <translation>Standby</translation>
    </message>
    <message>
        <source>%1 min</source>
        <comment>minutes of the sleep timer</comment>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>off</source>
        <comment>the sleep timer</comment>
        <translation>aus</translation>
    </message>
    <message>
        <source>Direct on</source>
        <translation>Direct ein</translation>
    </message>
    <message>
        <source>Direct off</source>
        <translation>Direct aus</translation>
    </message>
    <message>
        <source>bass %1</source>
        <translation>Bass %1</translation>
    </message>
    <message>
        <source>treble %1</source>
        <translation>Höhen %1</translation>
    </message>
    <message>
        <source>sub %1</source>
        <comment>the subwoofer level</comment>
        <translation>Sub %1</translation>
    </message>
    <message>
        <source>sleep %1</source>
        <comment>the sleep timer</comment>
        <translation>Sleep-Timer %1</translation>
    </message>
    <message>
        <source>Power</source>
        <comment>whether the receiver is on or in standby</comment>
        <translation>Betrieb</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Sound mode</source>
        <translation>Klangprogramm</translation>
    </message>
    <message>
        <source>Direct</source>
        <comment>the Direct sound switch</comment>
        <translation>Direct</translation>
    </message>
    <message>
        <source>On</source>
        <comment>switch state</comment>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <comment>switch state</comment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Bass</source>
        <translation>Bass</translation>
    </message>
    <message>
        <source>Treble</source>
        <translation>Höhen</translation>
    </message>
    <message>
        <source>Subwoofer</source>
        <translation>Subwoofer</translation>
    </message>
    <message>
        <source>Sleep timer</source>
        <translation>Sleep-Timer</translation>
    </message>
    <message>
        <source>dialogue %1</source>
        <comment>the dialogue level</comment>
        <translation>Dialog %1</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Display</source>
        <comment>settings section of the window&apos;s display mode</comment>
        <translation>Anzeige</translation>
    </message>
    <message>
        <source>Front-panel display</source>
        <translation>Frontdisplay</translation>
    </message>
    <message>
        <source>Safety</source>
        <translation>Sicherheit</translation>
    </message>
    <message>
        <source>Maximum volume</source>
        <translation>Maximale Lautstärke</translation>
    </message>
    <message>
        <source>The app never sends a volume above this level.</source>
        <translation>Die App sendet nie eine höhere Lautstärke als diese.</translation>
    </message>
    <message>
        <source>Show changes on screen</source>
        <translation>Änderungen auf dem Bildschirm zeigen</translation>
    </message>
    <message>
        <source>While the window is in the background, a new volume, input or sound mode shows for a moment.</source>
        <translation>Solange das Fenster im Hintergrund ist, erscheint eine neue Lautstärke, ein neuer Eingang oder ein neues Klangprogramm kurz auf dem Bildschirm.</translation>
    </message>
</context>
<context>
    <name>SettingsWindow</name>
    <message>
        <source>Amplora Settings</source>
        <translation>Amplora-Einstellungen</translation>
    </message>
</context>
<context>
    <name>SignalStrip</name>
    <message>
        <source>SIGNAL</source>
        <comment>heading of the strip with the incoming signal&apos;s format</comment>
        <translation>SIGNAL</translation>
    </message>
    <message>
        <source>FORMAT</source>
        <comment>of the audio signal</comment>
        <translation>FORMAT</translation>
    </message>
    <message>
        <source>SAMPLE RATE</source>
        <translation>ABTASTRATE</translation>
    </message>
    <message>
        <source>BIT DEPTH</source>
        <translation>BITTIEFE</translation>
    </message>
    <message>
        <source>Signal, format %1, sample rate %2, bit depth %3</source>
        <translation>Signal, Format %1, Abtastrate %2, Bittiefe %3</translation>
    </message>
</context>
<context>
    <name>SleepButton</name>
    <message>
        <source>Sleep</source>
        <comment>button that sets the sleep timer</comment>
        <translation>Sleep</translation>
    </message>
    <message numerus="yes">
        <source>%n minutes left</source>
        <translation>
            <numerusform>Noch %n Minute</numerusform>
            <numerusform>Noch %n Minuten</numerusform>
        </translation>
    </message>
    <message>
        <source>Off</source>
        <comment>the sleep timer</comment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Sleep timer: Off, 30, 60, 90 or 120 minutes</source>
        <translation>Sleep-Timer: Aus, 30, 60, 90 oder 120 Minuten</translation>
    </message>
</context>
<context>
    <name>SoundModeRow</name>
    <message>
        <source>Sound Mode</source>
        <translation>Klangprogramm</translation>
    </message>
    <message>
        <source>All sound programs</source>
        <translation>Alle Klangprogramme</translation>
    </message>
</context>
<context>
    <name>SoundPanel</name>
    <message>
        <source>Sound</source>
        <comment>heading of the tone controls</comment>
        <translation>Klang</translation>
    </message>
    <message>
        <source>Bass</source>
        <translation>Bass</translation>
    </message>
    <message>
        <source>Treble</source>
        <translation>Höhen</translation>
    </message>
    <message>
        <source>Subwoofer</source>
        <translation>Subwoofer</translation>
    </message>
    <message>
        <source>Dialogue</source>
        <comment>the dialogue level</comment>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Extra Bass</source>
        <translation>Extra Bass</translation>
    </message>
    <message>
        <source>Surround AI</source>
        <translation>Surround AI</translation>
    </message>
    <message>
        <source>Direct</source>
        <comment>the sound switch that bypasses processing</comment>
        <translation>Direct</translation>
    </message>
    <message>
        <source>Direct: plays the source with the least processing</source>
        <translation>Direct: gibt die Quelle mit möglichst wenig Bearbeitung wieder</translation>
    </message>
    <message>
        <source>Enhancer</source>
        <translation>Enhancer</translation>
    </message>
    <message>
        <source>Enhancer: restores the detail of compressed music</source>
        <translation>Enhancer: stellt die Details komprimierter Musik wieder her</translation>
    </message>
</context>
<context>
    <name>StoreReadings</name>
    <message>
        <source>Linked (%1)</source>
        <comment>an input playing a linked group&apos;s sound</comment>
        <translation>Verbunden (%1)</translation>
    </message>
    <message>
        <source>Linked</source>
        <comment>an input playing a linked group&apos;s sound</comment>
        <translation>Verbunden</translation>
    </message>
</context>
<context>
    <name>VolumeSection</name>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>MUTED</source>
        <translation>STUMMGESCHALTET</translation>
    </message>
</context>
<context>
    <name>amplora::ConnectionModel</name>
    <message>
        <source>Main</source>
        <comment>zone menu entry, no name known</comment>
        <translation>Hauptzone</translation>
    </message>
    <message>
        <source>Zone2</source>
        <comment>zone menu entry, no name known</comment>
        <translation>Zone2</translation>
    </message>
</context>
<context>
    <name>amplora::DisplayText</name>
    <message>
        <source>MOCK DATA</source>
        <comment>footer: the window shows sample data, not a receiver</comment>
        <translation>DEMODATEN</translation>
    </message>
    <message>
        <source>READ-ONLY</source>
        <comment>footer: no command reaches the receiver</comment>
        <translation>NUR LESEN</translation>
    </message>
    <message>
        <source>Connecting…</source>
        <translation>Verbinde …</translation>
    </message>
    <message>
        <source>Live · push events</source>
        <translation>Live · Push-Ereignisse</translation>
    </message>
    <message>
        <source>Live · polling</source>
        <translation>Live · Abfrage</translation>
    </message>
    <message>
        <source>Stale</source>
        <comment>footer: the shown state may be out of date</comment>
        <translation>Veraltet</translation>
    </message>
    <message>
        <source>Offline: %1</source>
        <translation>Offline: %1</translation>
    </message>
    <message>
        <source>Main</source>
        <comment>zone title, no name known</comment>
        <translation>Hauptzone</translation>
    </message>
    <message>
        <source>Zone 2</source>
        <comment>zone title, no name known</comment>
        <translation>Zone 2</translation>
    </message>
</context>
<context>
    <name>amplora::NowPlayingModel</name>
    <message>
        <source>this receiver</source>
        <comment>the Spotify device to choose</comment>
        <extracomment>Stands in for the zone&apos;s name in &quot;Open Spotify and choose %1&quot;, so it is what the user picks there.</extracomment>
        <translation>diesen Receiver</translation>
    </message>
</context>
<context>
    <name>amplora::OnScreenDisplay</name>
    <message>
        <source>Muted</source>
        <comment>shown on screen when the zone was muted</comment>
        <translation>Stumm</translation>
    </message>
</context>
<context>
    <name>amplora::SignalModel</name>
    <message>
        <source>MAIN</source>
        <comment>front-panel lamp: the main zone is selected</comment>
        <translation>HAUPT</translation>
    </message>
    <message>
        <source>ZONE2</source>
        <comment>front-panel lamp: zone 2 is selected</comment>
        <translation>ZONE2</translation>
    </message>
    <message>
        <source>PURE DIRECT</source>
        <comment>front-panel lamp</comment>
        <translation>PURE DIRECT</translation>
    </message>
    <message>
        <source>DIRECT</source>
        <comment>front-panel lamp</comment>
        <translation>DIRECT</translation>
    </message>
    <message>
        <source>ENHANCER</source>
        <comment>front-panel lamp</comment>
        <translation>ENHANCER</translation>
    </message>
    <message>
        <source>EXTRA BASS</source>
        <comment>front-panel lamp</comment>
        <translation>EXTRA BASS</translation>
    </message>
    <message>
        <source>SURROUND:AI</source>
        <comment>front-panel lamp</comment>
        <translation>SURROUND:AI</translation>
    </message>
    <message>
        <source>No signal information</source>
        <translation>Keine Signalinformation</translation>
    </message>
    <message>
        <source>Signal error</source>
        <comment>the receiver reports an error in the audio signal</comment>
        <translation>Signalfehler</translation>
    </message>
    <message>
        <source>%1 kbps</source>
        <comment>bit rate of the audio signal</comment>
        <translation>%1 kbps</translation>
    </message>
    <message>
        <source>Signal locked</source>
        <comment>the receiver has locked on to the audio signal</comment>
        <translation>Signal erfasst</translation>
    </message>
</context>
<context>
    <name>amplora::SourcesModel</name>
    <message>
        <source>Scene %1</source>
        <comment>one of the receiver&apos;s numbered scene buttons</comment>
        <translation>Szene %1</translation>
    </message>
</context>
<context>
    <name>amplora::app::APIController</name>
    <message>
        <source>API off</source>
        <comment>the local API&apos;s state</comment>
        <translation>API aus</translation>
    </message>
    <message>
        <source>API starting…</source>
        <comment>the local API&apos;s state</comment>
        <translation>API startet …</translation>
    </message>
    <message>
        <source>API running at %1</source>
        <extracomment>%1 is the API&apos;s base URL.</extracomment>
        <translation>API läuft unter %1</translation>
    </message>
    <message>
        <source>API error: %1</source>
        <translation>API-Fehler: %1</translation>
    </message>
    <message>
        <source>Saved %1.</source>
        <comment>a scene was saved</comment>
        <translation>%1 gespeichert.</translation>
    </message>
    <message>
        <source>Ran %1: %2.</source>
        <comment>a scene was run</comment>
        <extracomment>%1 is the scene, %2 the settings it applied.</extracomment>
        <translation>%1 ausgeführt: %2.</translation>
    </message>
    <message>
        <source>Deleted %1.</source>
        <comment>a scene was deleted</comment>
        <translation>%1 gelöscht.</translation>
    </message>
</context>
<context>
    <name>amplora::app::APISettings</name>
    <message>
        <source>The receiver is not available.</source>
        <translation>Der Receiver ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The scene could not be read.</source>
        <translation>Die Szene konnte nicht gelesen werden.</translation>
    </message>
</context>
<context>
    <name>amplora::app::LoginItem</name>
    <message>
        <source>Couldn&apos;t create the folder %1.</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t write %1: %2</source>
        <extracomment>%1 is the file, %2 the system&apos;s reason.</extracomment>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t remove %1: %2</source>
        <translation>%1 konnte nicht entfernt werden: %2</translation>
    </message>
</context>
<context>
    <name>amplora::app::RunningDiagnostics</name>
    <message>
        <source>Saved to %1
Redacted: %2</source>
        <translation>Gespeichert unter %1
Unkenntlich gemacht: %2</translation>
    </message>
</context>
<context>
    <name>amplora::app::TrayIcon</name>
    <message>
        <source>Amplora</source>
        <comment>tray icon tooltip: the application&apos;s name</comment>
        <translation>Amplora</translation>
    </message>
</context>
<context>
    <name>amplora::cli</name>
    <message>
        <source>Usage: amplora action [--verbose] NAME [ARGS]

Asks the running Amplora to act on the receiver, with the volume cap, read-only mode and name
matching of the app. ZONE is main (the default) or zone2.
  set-power [--zone ZONE] on|standby|off
  set-volume [--zone ZONE] DB                 (snapped to 0.5 dB; never above the volume cap)
  ramp-volume [--zone ZONE] DB SECONDS        (fades there over up to 600 s, e.g. -- -30 8)
  mute [--zone ZONE] true|false
  switch-input [--zone ZONE] NAME
  set-sound-mode NAME                         (main zone)
  run-scene NAME
  set-sleep [--zone ZONE] MINUTES             (0 is off; rounded up to 30, 60, 90 or 120)
  recall-favourite [--zone ZONE] NAME|NUMBER  (one of the receiver&apos;s favourites)
  recall-receiver-scene [--zone ZONE] NUMBER  (one of the receiver&apos;s scene buttons)
  list inputs|sound-modes|scenes|favourites [--search TEXT]
  check-events                                (makes the receiver send a push event; waits up to 3 s)
Prints the result and exits 0, or prints the error and exits 1. --verbose also prints Amplora&apos;s
log lines on stderr.
</source>
        <extracomment>Keep the command and option names, the upper-case placeholders and the examples as they are.</extracomment>
        <translation>Aufruf: amplora action [--verbose] NAME [ARGS]

Lässt das laufende Amplora den Receiver steuern, mit Lautstärkegrenze, Nur-Lesen-Modus und
Namenssuche der App. ZONE ist main (Standard) oder zone2.
  set-power [--zone ZONE] on|standby|off
  set-volume [--zone ZONE] DB                 (auf 0.5 dB gerundet; nie über der Lautstärkegrenze)
  ramp-volume [--zone ZONE] DB SECONDS        (blendet über bis zu 600 s dorthin über, z. B. -- -30 8)
  mute [--zone ZONE] true|false
  switch-input [--zone ZONE] NAME
  set-sound-mode NAME                         (Hauptzone)
  run-scene NAME
  set-sleep [--zone ZONE] MINUTES             (0 ist aus; aufgerundet auf 30, 60, 90 oder 120)
  recall-favourite [--zone ZONE] NAME|NUMBER  (einer der Favoriten des Receivers)
  recall-receiver-scene [--zone ZONE] NUMBER  (eine der Szenentasten des Receivers)
  list inputs|sound-modes|scenes|favourites [--search TEXT]
  check-events                                (lässt den Receiver ein Push-Ereignis senden; wartet bis zu 3 s)
Gibt das Ergebnis aus und endet mit 0 oder gibt den Fehler aus und endet mit 1. --verbose gibt auch
Amploras Protokollzeilen auf stderr aus.
</translation>
    </message>
    <message>
        <source>Usage: amplora api-token [--regenerate] [--mock] [--verbose]

Prints the local API&apos;s bearer token, creating it when none is stored. --regenerate replaces it; the
old token stops working at once. Asks the running Amplora when there is one; otherwise reads the
token store itself (--mock: the mock settings&apos; token). --verbose also prints Amplora&apos;s log lines
on stderr.
</source>
        <extracomment>Keep the command and option names, the upper-case placeholders and the examples as they are.</extracomment>
        <translation>Aufruf: amplora api-token [--regenerate] [--mock] [--verbose]

Gibt das Bearer-Token der lokalen API aus und legt es an, wenn noch keines gespeichert ist.
--regenerate ersetzt es; das alte Token gilt sofort nicht mehr. Fragt das laufende Amplora, wenn es
eines gibt; sonst liest es den Token-Speicher selbst (--mock: das Token der Demo-Einstellungen).
--verbose gibt auch Amploras Protokollzeilen auf stderr aus.
</translation>
    </message>
    <message>
        <source>Usage: amplora yxc [--read-only] [--verbose] HOST COMMAND [ARGS]

Sends one command to a receiver through Amplora&apos;s own client and prints the answer as Amplora
understood it. HOST is the receiver&apos;s address, with a port if needed (192.168.1.20,
receiver.local, 127.0.0.1:8080). ZONE is main or zone2. --read-only refuses every command that
would change the receiver, as the application&apos;s read-only mode does. --verbose also prints
Amplora&apos;s log lines on stderr.

Reads print the decoded answer as JSON with the receiver&apos;s own keys; whatever was not understood
is left out:
  getStatus ZONE | getSignalInfo ZONE | getDeviceInfo | getFeatures | getNameText
  getPlayInfo | getNetworkStatus | getDistributionInfo

Changes print OK:
  setPower ZONE on|standby|toggle          setVolume ZONE STEP (raw volume steps)
  setActualVolume ZONE DB (snapped to 0.5) setMute ZONE true|false
  setInput ZONE ID                         setSoundProgram ZONE ID
  setToneControl ZONE [--mode M] [--bass N] [--treble N]
  setSubwooferVolume ZONE N                setExtraBass ZONE true|false
  setSurroundAI ZONE true|false            setPlayback play|pause|stop|previous|next

Also:
  registerForEvents PORT   asks the receiver to push its events to this UDP port; prints OK
  albumArt PATH            fetches a cover picture (a path on the receiver, or an http URL on
                           its host and port); prints &quot;image WxH&quot; or &quot;no image&quot;

A failure prints its reason on stderr and exits with 1; wrong arguments exit with 2.
</source>
        <extracomment>Keep the command and option names, the upper-case placeholders and the examples as they are.</extracomment>
        <translation>Aufruf: amplora yxc [--read-only] [--verbose] HOST COMMAND [ARGS]

Sendet einen Befehl über Amploras eigenen Client an einen Receiver und gibt die Antwort so aus, wie
Amplora sie verstanden hat. HOST ist die Adresse des Receivers, bei Bedarf mit Port (192.168.1.20,
receiver.local, 127.0.0.1:8080). ZONE ist main oder zone2. --read-only verweigert jeden Befehl, der
den Receiver ändern würde, wie der Nur-Lesen-Modus der Anwendung. --verbose gibt auch Amploras
Protokollzeilen auf stderr aus.

Abfragen geben die ausgewertete Antwort als JSON mit den Schlüsseln des Receivers aus; was nicht
verstanden wurde, fehlt:
  getStatus ZONE | getSignalInfo ZONE | getDeviceInfo | getFeatures | getNameText
  getPlayInfo | getNetworkStatus | getDistributionInfo

Änderungen geben OK aus:
  setPower ZONE on|standby|toggle          setVolume ZONE STEP (rohe Lautstärkestufen)
  setActualVolume ZONE DB (Raster 0.5)     setMute ZONE true|false
  setInput ZONE ID                         setSoundProgram ZONE ID
  setToneControl ZONE [--mode M] [--bass N] [--treble N]
  setSubwooferVolume ZONE N                setExtraBass ZONE true|false
  setSurroundAI ZONE true|false            setPlayback play|pause|stop|previous|next

Außerdem:
  registerForEvents PORT   lässt den Receiver seine Ereignisse an diesen UDP-Port senden; gibt OK aus
  albumArt PATH            holt ein Cover-Bild (ein Pfad auf dem Receiver oder eine http-URL auf
                           seinem Host und Port); gibt „image WxH“ oder „no image“ aus

Ein Fehler gibt seinen Grund auf stderr aus und endet mit 1; falsche Argumente enden mit 2.
</translation>
    </message>
    <message>
        <source>Usage: amplora [--mock] [--read-only] [--mock-discovery-empty]
       amplora --headless [--mock] [--read-only]    no windows: the store, the local API and the actions
       amplora action NAME [ARGS]                   one action through the running Amplora (see --help)
       amplora api-token [--regenerate] [--mock]    the local API&apos;s bearer token (--mock: a --mock run&apos;s)
       amplora yxc [--read-only] HOST COMMAND [ARGS]   one receiver command (see amplora yxc --help)
       amplora discover [--probe HOST[,HOST...]]        the receivers on the network, one a line
       amplora diagnostics [--output FILE] [--host HOST]   a redacted .tar.gz for a bug report
       amplora --help | --version
With --verbose, action, api-token, yxc and discover also print Amplora&apos;s log lines on stderr.
</source>
        <extracomment>Keep the command and option names, the upper-case placeholders and the examples as they are.</extracomment>
        <translation>Aufruf: amplora [--mock] [--read-only] [--mock-discovery-empty]
        amplora --headless [--mock] [--read-only]    ohne Fenster: Zustand, lokale API und Aktionen
        amplora action NAME [ARGS]                   eine Aktion über das laufende Amplora (siehe --help)
        amplora api-token [--regenerate] [--mock]    das Token der lokalen API (--mock: das eines --mock-Laufs)
        amplora yxc [--read-only] HOST COMMAND [ARGS]   ein Receiver-Befehl (siehe amplora yxc --help)
        amplora discover [--probe HOST[,HOST...]]        die Receiver im Netzwerk, einer pro Zeile
        amplora diagnostics [--output FILE] [--host HOST]   ein unkenntlich gemachtes .tar.gz für einen Fehlerbericht
        amplora --help | --version
Mit --verbose geben action, api-token, yxc und discover auch Amploras Protokollzeilen auf stderr aus.
</translation>
    </message>
    <message>
        <source>Usage: amplora diagnostics [--output FILE] [--host HOST]

Writes one .tar.gz for a bug report: the receiver&apos;s answers as they came, Amplora&apos;s, Qt&apos;s and the
system&apos;s versions, and the settings. Tokens, secrets, device ids, serial numbers, MAC addresses,
SSIDs and every IP address but the receiver&apos;s are replaced by placeholders. The receiver is the one
in the settings unless HOST names another. Without HOST, a running Amplora writes the bundle and
adds its last push events, the link&apos;s health and its log lines. The file goes into the download
folder unless FILE is given. Prints the file&apos;s path and what was redacted; a failure prints its
reason on stderr and exits with 1.
</source>
        <extracomment>Keep the command and option names and the upper-case placeholders as they are.</extracomment>
        <translation>Aufruf: amplora diagnostics [--output FILE] [--host HOST]

Schreibt ein .tar.gz für einen Fehlerbericht: die Antworten des Receivers, wie sie kamen, die Versionen
von Amplora, Qt und dem System sowie die Einstellungen. Tokens, Geheimnisse, Geräte-IDs, Seriennummern,
MAC-Adressen, SSIDs und jede IP-Adresse außer der des Receivers werden durch Platzhalter ersetzt. Der
Receiver ist der aus den Einstellungen, außer HOST nennt einen anderen. Ohne HOST schreibt ein laufendes
Amplora das Paket und fügt seine letzten Push-Ereignisse, den Zustand der Verbindung und seine
Protokollzeilen hinzu. Die Datei landet im Download-Ordner, außer FILE ist angegeben. Gibt den Pfad der
Datei aus und was unkenntlich gemacht wurde; ein Fehler gibt seinen Grund auf stderr aus und endet mit 1.
</translation>
    </message>
    <message>
        <source>Usage: amplora discover [--mock | --mock-discovery-empty] [--include-loopback] [--verbose]
       amplora discover --probe HOST[,HOST...] [--mock] [--verbose]

Searches the local network for receivers (about 3 seconds plus their answers) and prints one line
per receiver: name · model · host · device id. Finding none is not an error; it says so
on stderr. --mock and --mock-discovery-empty print the mock mode&apos;s sample list (or none) without
touching the network. --include-loopback also searches on the loopback interface, for test set-ups.
--verbose also prints Amplora&apos;s log lines on stderr (why a device was left out, for instance).

--probe asks each HOST (an IP address or host name, optionally with :PORT) directly, for receivers
on another subnet that the search does not reach: the search request by unicast to HOST:1900, and
when nothing answers, the receiver&apos;s device information. It prints the receivers found as above and,
for each host where none was found, the reason on stderr; it exits with 1 when no host had one.

A failed search prints its reason on stderr and exits with 1; wrong arguments exit with 2.
</source>
        <extracomment>Keep the command and option names, the upper-case placeholders and the examples as they are.</extracomment>
        <translation>Aufruf: amplora discover [--mock | --mock-discovery-empty] [--include-loopback] [--verbose]
       amplora discover --probe HOST[,HOST...] [--mock] [--verbose]

Sucht im lokalen Netzwerk nach Receivern (etwa 3 Sekunden plus deren Antworten) und gibt je Receiver
eine Zeile aus: Name · Modell · Host · Geräte-ID. Keinen zu finden ist kein Fehler; das steht
dann auf stderr. --mock und --mock-discovery-empty geben die Beispielliste des Demomodus (oder keine)
aus, ohne das Netzwerk zu berühren. --include-loopback sucht auch auf der Loopback-Schnittstelle, für
Testaufbauten. --verbose gibt auch Amploras Protokollzeilen auf stderr aus (etwa, warum ein Gerät
ausgelassen wurde).

--probe fragt jeden HOST (eine IP-Adresse oder einen Hostnamen, wahlweise mit :PORT) direkt, für
Receiver in einem anderen Subnetz, das die Suche nicht erreicht: die Suchanfrage per Unicast an
HOST:1900 und, wenn darauf nichts antwortet, die Geräteinformationen des Receivers. Gibt die gefundenen
Receiver wie oben aus und für jeden Host ohne Receiver den Grund auf stderr; endet mit 1, wenn kein
Host einen hatte.

Eine fehlgeschlagene Suche gibt ihren Grund auf stderr aus und endet mit 1; falsche Argumente enden
mit 2.
</translation>
    </message>
</context>
</TS>
