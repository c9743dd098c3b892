#include "app/diagnostics/RecentLines.h"

#include <QMutexLocker>

#include <mutex>

namespace amplora::diagnostics {

RecentLines::RecentLines(qsizetype capacity, WallClock clock)
    : m_capacity(capacity)
    , m_clock(std::move(clock))
{ }

void RecentLines::add(QString line)
{
    line.replace(u'\n', u' ');
    line.prepend(m_clock().toString(Qt::ISODateWithMs) + u' ');
    const QMutexLocker lock(&m_mutex);
    m_lines.push_back(std::move(line));
    while (qsizetype(m_lines.size()) > m_capacity) {
        m_lines.pop_front();
    }
}

QByteArray RecentLines::text() const
{
    const QMutexLocker lock(&m_mutex);
    QByteArray text;
    for (const QString &line : m_lines) {
        text += line.toUtf8() + '\n';
    }
    return text;
}

namespace {

QtMessageHandler previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    runLog().add(qFormatLogMessage(type, context, message));
    if (previousHandler != nullptr) {
        previousHandler(type, context, message);
    }
}

} // namespace

RecentLines &runLog()
{
    static RecentLines lines(500);
    return lines;
}

void installRunLog()
{
    // Once per process: a second handler over the first would record every line twice.
    static std::once_flag installed;
    std::call_once(installed, [] {
        runLog(); // made before any thread can log into it
        previousHandler = qInstallMessageHandler(&recordMessage);
    });
}

} // namespace amplora::diagnostics
