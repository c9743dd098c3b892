#include "core/store/MockTransport.h"

#include "core/Logging.h"
#include "core/mock/MockReceiver.h"
#include "core/protocol/YXCClient.h"

namespace amplora {

namespace {

// Stands in when the built-in fixtures cannot be loaded (a packaging fault): every request fails with the
// fixture's own text, which the status line then shows, instead of the application failing to start.
class BrokenMockTransport final : public ReceiverTransport {
public:
    explicit BrokenMockTransport(QString reason)
        : m_reason(std::move(reason))
    { }

    bool isReadOnly() const override { return false; }
    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(YXCCommand, YXCPayloadType, Cancellation) override
    {
        co_return Failure { YXCError::transport(m_reason) };
    }
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand) override
    {
        co_return Failure { YXCError::transport(m_reason) };
    }
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16) override
    {
        co_return Failure { YXCError::transport(m_reason) };
    }
    QCoro::Task<std::optional<QImage>> albumArt(QString) override { co_return std::nullopt; }

private:
    QString m_reason;
};

} // namespace

std::shared_ptr<ReceiverTransport> makeMockTransport(const LaunchOptions &launch)
{
    Result<std::unique_ptr<MockReceiver>, MockFixtureError> loaded = MockReceiver::load();
    if (!loaded) {
        qCCritical(lcMock).noquote() << loaded.error().description();
        return std::make_shared<BrokenMockTransport>(loaded.error().description());
    }
    std::shared_ptr<MockReceiver> receiver = std::move(loaded).value();
    const Result<Done, MockFixtureError> adjusted = receiver->applyLaunchOptions(launch);
    if (!adjusted) {
        // The receiver still works with its plain fixtures; only the demonstration tweak is missing.
        qCWarning(lcMock).noquote() << adjusted.error().description();
    }
    return receiver;
}

std::shared_ptr<ReceiverTransport> makeReceiverTransport(const LaunchOptions &launch, const QString &host)
{
    if (launch.mock) {
        return makeMockTransport(launch);
    }
    return std::make_shared<YXCClient>(host, launch.readOnly);
}

} // namespace amplora
