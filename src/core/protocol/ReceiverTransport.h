#pragma once

#include "base/Cancellation.h"
#include "base/Result.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/YXCError.h"
#include "core/protocol/YXCPayload.h"

#include <QByteArray>
#include <QCoroTask>
#include <QImage>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace amplora {

// The operations through which the store reaches a receiver: the real client, or the mock receiver that answers
// from models it keeps in memory. All of them are entered on the main thread; they never throw.
class ReceiverTransport {
public:
    virtual ~ReceiverTransport() = default;

    // Whether every changing command is refused before it is sent.
    virtual bool isReadOnly() const = 0;

    // Performs a read command and answers with the model of the requested type. Implementations answer with the
    // alternative that `type` names. Once `cancel` fires nobody waits for the answer: the request may be abandoned
    // on the spot, and then fails as YXCError::cancelled.
    virtual QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(
        YXCCommand command, YXCPayloadType type, Cancellation cancel)
        = 0;

    // Performs a command and only checks that the receiver accepted it.
    virtual QCoro::Task<Result<Done, YXCError>> send(YXCCommand command) = 0;

    // Announces the local UDP port that should receive the receiver's push events.
    virtual QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16 port) = 0;

    // The cover picture at a path on the receiver or a full URL on it; none on any failure. Asking for a cover
    // means the one asked for before is no longer wanted: a transport may end its transfer, which then answers none.
    virtual QCoro::Task<std::optional<QImage>> albumArt(QString path) = 0;

    // Ends the transfer of the cover asked for last, if it is still on its way; that request then answers none.
    virtual void cancelAlbumArt() { }

    // A receiver without a network (the mock) hands the push events it makes to `sink`, from the event loop,
    // instead of sending datagrams. A real receiver's events come over UDP, so the default ignores the sink.
    using EventSink = std::function<void(const QByteArray &datagram)>;
    virtual void setEventSink(const EventSink &sink) { Q_UNUSED(sink); }

    // The typed form of fetchPayload: `co_await transport.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main))`.
    // The transport must outlive the call, as with every operation here.
    template<class T> QCoro::Task<Result<T, YXCError>> fetch(YXCCommand command, Cancellation cancel = Cancellation())
    {
        const QString path = command.path();
        Result<YXCPayload, YXCError> answer
            = co_await fetchPayload(std::move(command), payloadTypeOf<T>, std::move(cancel));
        if (!answer) {
            co_return Failure { std::move(answer).error() };
        }
        if (T *model = std::get_if<T>(&answer.value())) {
            co_return std::move(*model);
        }
        co_return Failure { YXCError::unreadable(path, QStringLiteral("unexpected kind of answer")) };
    }
};

} // namespace amplora
