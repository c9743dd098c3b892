#pragma once

#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/ViewModels.h"
#include "support/ManualClock.h"
#include "support/PreviewReceiver.h"
#include "support/WaitFor.h"

#include <QSettings>

#include <memory>

namespace amplora::test {

// A store over the preview receiver on a clock the test moves, with the window's view models over it: whatever address
// a test types, the store stays on the preview receiver and off the network. `parts` may add what a test needs.
struct PreviewRig {
    ManualClock clock;
    std::unique_ptr<AppSettings> settings;
    std::shared_ptr<MockReceiver> receiver = previewReceiver();
    std::unique_ptr<ReceiverStore> store;
    std::unique_ptr<ViewModels> models;

    explicit PreviewRig(std::unique_ptr<QSettings> file = std::make_unique<QSettings>(),
        ReceiverStore::Parts parts = {}, LaunchOptions launch = {})
        : settings(std::make_unique<AppSettings>(std::move(file)))
    {
        // An address for documentation, never routed: a name would be looked up for the push events' sender check,
        // and the lookup would leave the machine.
        settings->setHost(QStringLiteral("192.0.2.10"));
        parts.transport = receiver;
        parts.transportFactory = [receiver = receiver](const QString &) { return receiver; };
        parts.clock = &clock;
        parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
        parts.eventPort = 0;
        store = std::make_unique<ReceiverStore>(*settings, launch, std::move(parts));
        models = std::make_unique<ViewModels>(*store);
    }
    PreviewRig(const PreviewRig &) = delete;
    PreviewRig &operator=(const PreviewRig &) = delete;

    // The receiver's extras on the main zone and what is playing, or none of them: the sleep timer, pure direct,
    // the enhancer, a dialogue level of 0 to 3, three scene buttons, two favourites ("Harbour FM" in slot 1,
    // "Vinyl Rips" in slot 3), repeat (all) and shuffle (off). Takes effect with refresh().
    void announceExtras(bool announced)
    {
        ZoneFeatures &main = receiver->features().zone[0];
        const QStringList extras { QStringLiteral("sleep"), QStringLiteral("pure_direct"), QStringLiteral("enhancer"),
            QStringLiteral("dialogue_level"), QStringLiteral("scene") };
        for (const QString &function : extras) {
            main.funcList.removeAll(function);
        }
        main.rangeStep.removeIf([](const RangeStep &range) { return range.id == QStringLiteral("dialogue_level"); });
        main.sceneNum.reset();
        receiver->features().netusb.reset();
        receiver->playInfo().repeatAvailable.reset();
        receiver->playInfo().shuffleAvailable.reset();
        if (!announced) {
            return;
        }
        main.funcList.append(extras);
        main.rangeStep.append({ QStringLiteral("dialogue_level"), 0, 3, 1 });
        main.sceneNum = 3;
        receiver->features().netusb = NetUSBFeatures { PresetFeature { 40 } };
        receiver->presetInfo() = PresetInfo { 0,
            { { QStringLiteral("net_radio"), QStringLiteral("Harbour FM") }, { QStringLiteral("unknown"), QString() },
                { QStringLiteral("server"), QStringLiteral("Vinyl Rips") } } };
        PlayInfo &info = receiver->playInfo();
        info.repeat = QStringLiteral("all");
        info.repeatAvailable = QStringList { QStringLiteral("off"), QStringLiteral("one"), QStringLiteral("all") };
        info.shuffle = QStringLiteral("off");
        info.shuffleAvailable = QStringList { QStringLiteral("off"), QStringLiteral("on") };
        receiver->statuses()[Zone::main].dialogueLevel = 1;
    }

    // The path of the last command the receiver took ("main/setSleep"); empty before the first.
    QString lastSent() const
    {
        return receiver->performed().isEmpty() ? QString() : receiver->performed().last().path();
    }

    // Connects again, so the store reads the preview receiver's (changed) state; the poll marks it live.
    void refresh()
    {
        (void)test::waitFor(store->connect(clock.now()));
        (void)test::waitFor(store->poll(clock.now()));
    }
};

} // namespace amplora::test
