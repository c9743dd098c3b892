#pragma once

#include "api/control/ReceiverControl.h"

namespace amplora::bench {

// Answers every read from its status (fixed unless a benchmark edits it) and accepts every command, without
// waiting.
class StaticReceiverControl final : public api::ReceiverControl {
public:
    StaticReceiverControl()
    {
        m_status.zone = api::Zone::main;
        m_status.power = api::PowerState::on;
        m_status.volumeDb = -35.5;
        m_status.input = QStringLiteral("HDMI 1");
        m_status.soundMode = QStringLiteral("Straight");
        m_status.bass = 0;
        m_status.treble = 1.5;
        m_status.subwoofer = -2;
        m_status.nowPlaying = api::NowPlaying { QStringLiteral("play"), QStringLiteral("Artist"),
            QStringLiteral("Album"), QStringLiteral("Track"), {}, {}, {}, {} };
    }

    api::ControlTask<api::ReceiverStatus> status(api::Zone zone, Cancellation) override
    {
        api::ReceiverStatus status = m_status;
        status.zone = zone;
        co_return status;
    }
    api::ControlTask<QList<api::Zone>> zones(Cancellation) override
    {
        QList<api::Zone> zones { api::Zone::main };
        co_return zones;
    }
    api::ControlTask<Done> setPower(api::Zone, api::PowerState, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setVolume(api::Zone, double, Cancellation) override { co_return Done {}; }
    api::ControlTask<double> stepVolume(api::Zone, api::VolumeStepDirection, Cancellation) override { co_return -40.0; }
    api::ControlTask<Done> rampVolume(api::Zone, double, std::chrono::milliseconds, Cancellation) override
    {
        co_return Done {};
    }
    api::ControlTask<Done> setMute(api::Zone, bool, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setInput(api::Zone, QString, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setSoundMode(api::Zone, QString, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setTone(api::Zone, std::optional<double>, std::optional<double>, Cancellation) override
    {
        co_return Done {};
    }
    api::ControlTask<Done> setSubwoofer(api::Zone, double, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> playback(api::PlaybackAction, Cancellation) override { co_return Done {}; }
    api::ControlTask<QStringList> inputs(api::Zone, Cancellation) override
    {
        QStringList names { QStringLiteral("HDMI 1"), QStringLiteral("HDMI 2"), QStringLiteral("Tuner") };
        co_return names;
    }
    api::ControlTask<QStringList> soundModes(api::Zone, Cancellation) override
    {
        QStringList names { QStringLiteral("Straight"), QStringLiteral("Hall in Munich") };
        co_return names;
    }
    api::ControlTask<double> volumeCapDb() override { co_return -10.0; }
    api::ControlTask<api::ReceiverHealth> health() override { co_return api::ReceiverHealth {}; }
    api::ControlTask<std::chrono::milliseconds> checkPushEvents() override { co_return std::chrono::milliseconds(0); }
    api::ControlTask<int> setSleep(api::Zone, int minutes, Cancellation) override { co_return minutes; }
    api::ControlTask<Done> setDirect(api::Zone, bool, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setEnhancer(api::Zone, bool, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setDialogueLevel(api::Zone, int, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setRepeat(api::Zone, api::RepeatMode, Cancellation) override { co_return Done {}; }
    api::ControlTask<Done> setShuffle(api::Zone, api::ShuffleMode, Cancellation) override { co_return Done {}; }
    api::ControlTask<QList<api::Favourite>> favourites(api::Zone, Cancellation) override
    {
        QList<api::Favourite> favourites { { 1, QStringLiteral("Radio"), QStringLiteral("net_radio") } };
        co_return favourites;
    }
    api::ControlTask<api::Favourite> recallFavourite(api::Zone, int number, Cancellation) override
    {
        co_return api::Favourite { number, QStringLiteral("Radio"), QStringLiteral("net_radio") };
    }
    api::ControlTask<Done> recallReceiverScene(api::Zone, int, Cancellation) override { co_return Done {}; }
    api::ControlTask<QList<api::TunerPreset>> tunerPresets(api::Zone, Cancellation) override
    {
        co_return QList<api::TunerPreset> {};
    }
    api::ControlTask<api::TunerPreset> recallTunerPreset(api::Zone, int number, Cancellation) override
    {
        co_return api::TunerPreset { number, QStringLiteral("fm"), QStringLiteral("98.10 MHz"), {} };
    }

    // What status() answers, apart from the zone.
    api::ReceiverStatus &current() { return m_status; }

private:
    api::ReceiverStatus m_status;
};

} // namespace amplora::bench
