#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>

namespace amplora::api {

// The body of a response that goes on after its head: a producer appends bytes whenever it has them, and the
// connection sends them as the client takes them. What waits unsent is bounded: a client that stops reading
// while more than `maxPendingBytes` wait is dropped, so it can neither hold memory nor slow the producer.
//
// Everything happens on one thread; both sides keep the stream alive through shared pointers.
class ResponseStream final : public QObject {
    Q_OBJECT

public:
    explicit ResponseStream(qsizetype maxPendingBytes);

    // ---- producer ----
    // Queues `bytes`; false when the stream is over, or is dropped now because the client fell too far behind.
    bool write(QByteArrayView bytes);
    // No more bytes: the connection closes once the queued ones are out.
    void end();

    // ---- connection ----
    // The queued bytes not sent yet.
    QByteArrayView unsent() const { return QByteArrayView(m_pending).sliced(m_consumed); }
    void consumed(qsizetype count);
    bool isEnded() const { return m_state == State::ended; }
    bool isDropped() const { return m_state == State::dropped; }
    // The connection is gone (or never took the stream); nothing more is written.
    void abandon();

Q_SIGNALS:
    // Bytes were queued, or the stream ended or was dropped.
    void changed();
    // The stream is over for good and its connection closed or never came: the producer forgets it.
    void finished();

private:
    enum class State { open, ended, dropped, abandoned };

    qsizetype m_maxPendingBytes;
    QByteArray m_pending;
    qsizetype m_consumed = 0; // bytes at the front of m_pending already sent
    State m_state = State::open;
};

} // namespace amplora::api
