#include "api/http/ResponseStream.h"

#include "api/Logging.h"

#include <algorithm>

namespace amplora::api {

ResponseStream::ResponseStream(qsizetype maxPendingBytes)
    : m_maxPendingBytes(maxPendingBytes)
{ }

bool ResponseStream::write(QByteArrayView bytes)
{
    if (m_state != State::open) {
        return false;
    }
    if (m_pending.size() - m_consumed + bytes.size() > m_maxPendingBytes) {
        qCInfo(lcApi) << "Dropped a stream whose client stopped reading:" << (m_pending.size() - m_consumed)
                      << "bytes were waiting";
        m_state = State::dropped;
        m_pending.clear();
        m_consumed = 0;
        Q_EMIT changed();
        return false;
    }
    // Sent bytes are cut off here rather than after every send, so a slow client costs no copy per send.
    if (m_consumed > 0) {
        m_pending.remove(0, m_consumed);
        m_consumed = 0;
    }
    m_pending.append(bytes);
    Q_EMIT changed();
    return true;
}

void ResponseStream::end()
{
    if (m_state != State::open) {
        return;
    }
    m_state = State::ended;
    Q_EMIT changed();
}

void ResponseStream::consumed(qsizetype count)
{
    m_consumed = std::min(m_consumed + count, m_pending.size());
    if (m_consumed == m_pending.size()) {
        m_pending.clear();
        m_consumed = 0;
    }
}

void ResponseStream::abandon()
{
    if (m_state == State::abandoned) {
        return;
    }
    m_state = State::abandoned;
    m_pending.clear();
    m_consumed = 0;
    Q_EMIT finished();
}

} // namespace amplora::api
