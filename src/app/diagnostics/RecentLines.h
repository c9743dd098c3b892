#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QString>

#include <deque>
#include <functional>

namespace amplora::diagnostics {

// The newest lines of something that happens all the time (push events, log lines), each with the wall-clock
// time it was added, for a diagnostics bundle. Bounded: the oldest line goes when a new one would exceed the
// capacity. Safe to add to from any thread (log lines come from worker threads too).
class RecentLines {
public:
    using WallClock = std::function<QDateTime()>;

    explicit RecentLines(qsizetype capacity, WallClock clock = &QDateTime::currentDateTime);

    // Line breaks inside `line` become spaces, so every entry stays one line.
    void add(QString line);
    // "2026-12-08T20:15:03.120+01:00 <line>", one a line, oldest first.
    QByteArray text() const;

private:
    const qsizetype m_capacity;
    const WallClock m_clock;
    mutable QMutex m_mutex;
    std::deque<QString> m_lines;
};

// The last 500 log lines of this run, filled once installRunLog() has installed its message handler.
RecentLines &runLog();
// Records every message into runLog() and passes it on to the handler installed before; later calls do nothing.
void installRunLog();

} // namespace amplora::diagnostics
