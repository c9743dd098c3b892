#include "core/store/MockTransport.h"

#include "core/Logging.h"

namespace amplora {

namespace {

// Stands in while this build has no mock receiver: every request fails with one clear text.
class UnavailableMockTransport final : public ReceiverTransport {
public:
    bool isReadOnly() const override { return false; }
    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(YXCCommand, YXCPayloadType) override
    {
        co_return Failure { unavailable() };
    }
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand) override { co_return Failure { unavailable() }; }
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16) override { co_return Failure { unavailable() }; }
    QCoro::Task<std::optional<QImage>> albumArt(QString) override { co_return std::nullopt; }

private:
    static YXCError unavailable()
    {
        return YXCError::transport(QStringLiteral("The mock receiver is not available in this build."));
    }
};

} // namespace

std::shared_ptr<ReceiverTransport> makeMockTransport(const LaunchOptions &launch)
{
    Q_UNUSED(launch);
    qCWarning(lcMock) << "No mock receiver in this build";
    return std::make_shared<UnavailableMockTransport>();
}

} // namespace amplora
