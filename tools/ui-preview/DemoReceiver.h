#pragma once

#include "core/protocol/ReceiverTransport.h"

#include <QImage>
#include <map>

namespace amplora {

// An in-memory receiver for looking at the window without one: an AV receiver with two zones, network
// sources playing a long title, tone controls, Extra Bass and Surround AI. Changes are applied to its models at
// once, so the panel answers like a real receiver. Tests change its state directly.
class DemoReceiver final : public ReceiverTransport {
public:
    DemoReceiver();

    bool isReadOnly() const override { return false; }
    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(YXCCommand command, YXCPayloadType type) override;
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand command) override;
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16 port) override;
    QCoro::Task<std::optional<QImage>> albumArt(QString path) override;

    DeviceInfo deviceInfo;
    Features features;
    NameText names;
    std::map<Zone, ZoneStatus> status;
    PlayInfo playInfo;
    SignalInfo signal;
    // Every command sent, in order.
    QList<YXCCommand> sent;

private:
    void apply(const YXCCommand &command);
};

} // namespace amplora
