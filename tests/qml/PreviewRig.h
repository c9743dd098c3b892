#pragma once

#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/PanelModel.h"
#include "support/ManualClock.h"
#include "support/PreviewReceiver.h"
#include "support/WaitFor.h"

#include <QSettings>

#include <memory>

namespace amplora::test {

// A store over the preview receiver on a clock the test moves, with the panel model over it: whatever address
// a test types, the store stays on the preview receiver and off the network. `parts` may add what a test needs.
struct PreviewRig {
    ManualClock clock;
    std::unique_ptr<AppSettings> settings;
    std::shared_ptr<MockReceiver> receiver = previewReceiver();
    std::unique_ptr<ReceiverStore> store;
    std::unique_ptr<PanelModel> panel;

    explicit PreviewRig(std::unique_ptr<QSettings> file = std::make_unique<QSettings>(),
        ReceiverStore::Parts parts = {}, LaunchOptions launch = {})
        : settings(std::make_unique<AppSettings>(std::move(file)))
    {
        settings->setHost(QStringLiteral("demo.invalid"));
        parts.transport = receiver;
        parts.transportFactory = [receiver = receiver](const QString &) { return receiver; };
        parts.clock = &clock;
        parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
        parts.eventPort = 0;
        store = std::make_unique<ReceiverStore>(*settings, launch, std::move(parts));
        panel = std::make_unique<PanelModel>(*store);
    }
    PreviewRig(const PreviewRig &) = delete;
    PreviewRig &operator=(const PreviewRig &) = delete;

    // Connects again, so the store reads the preview receiver's (changed) state; the poll marks it live.
    void refresh()
    {
        (void)test::waitFor(store->connect(clock.now()));
        (void)test::waitFor(store->poll(clock.now()));
    }
};

} // namespace amplora::test
