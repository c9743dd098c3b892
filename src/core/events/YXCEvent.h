#pragma once

#include "core/protocol/Zone.h"

#include <QByteArray>
#include <QString>

#include <compare>
#include <map>
#include <optional>
#include <set>

namespace amplora {

// One push-event datagram from the receiver, decoded into the changes it announces. Fields of the wrong type
// are treated as absent: a receiver quirk must never cost the whole event.
struct YXCEvent {
    struct ZoneChange {
        std::optional<QString> power;
        std::optional<QString> input;
        std::optional<int> volume; // raw steps
        std::optional<bool> mute;
        std::optional<QString> soundProgram;
        std::optional<bool> extraBass;
        std::optional<bool> surroundAi;
        bool statusUpdated = false;
        std::optional<int> sleep; // minutes left on the sleep timer
        std::optional<bool> pureDirect;
        std::optional<bool> direct;
        std::optional<bool> enhancer;
        std::optional<int> dialogueLevel;

        friend bool operator==(const ZoneChange &, const ZoneChange &) = default;
    };

    struct NetUSBChange {
        std::optional<int> playTime; // seconds
        bool playInfoUpdated = false;
        bool presetInfoUpdated = false; // the favourites changed

        friend bool operator==(const NetUSBChange &, const NetUSBChange &) = default;
    };

    struct TunerChange {
        bool playInfoUpdated = false;
        bool presetInfoUpdated = false;

        friend bool operator==(const TunerChange &, const TunerChange &) = default;
    };

    // A part of the receiver's state that must be fetched again. Events never ask for the features; the store
    // reads them on demand when it has none.
    struct Refresh {
        enum class Kind { status, playInfo, names, presets, features, distribution, tunerPlayInfo, tunerPresets };
        Kind kind;
        Zone zone = Zone::main; // status only

        static Refresh status(Zone zone) { return { Kind::status, zone }; }
        static Refresh playInfo() { return { Kind::playInfo }; }
        static Refresh names() { return { Kind::names }; }
        static Refresh presets() { return { Kind::presets }; }
        static Refresh features() { return { Kind::features }; }
        static Refresh distribution() { return { Kind::distribution }; }
        static Refresh tunerPlayInfo() { return { Kind::tunerPlayInfo }; }
        static Refresh tunerPresets() { return { Kind::tunerPresets }; }

        friend auto operator<=>(const Refresh &, const Refresh &) = default;
    };

    std::optional<QString> deviceID;
    std::map<Zone, ZoneChange> zones;
    std::optional<NetUSBChange> netusb;
    std::optional<TunerChange> tuner;
    bool nameTextUpdated = false;
    bool distInfoUpdated = false; // the receiver joined, left or renamed a linked group

    // Nothing when the bytes are not a JSON object.
    static std::optional<YXCEvent> parse(const QByteArray &bytes);

    std::set<Refresh> refreshes() const;

    friend bool operator==(const YXCEvent &, const YXCEvent &) = default;
};

QString toString(const YXCEvent::Refresh &refresh); // for logs and test output

} // namespace amplora
