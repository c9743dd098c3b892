#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

namespace amplora::app {

// Turns SIGINT and SIGTERM into a Qt signal on the main thread. The handler only writes the signal number to
// a socket pair (async-signal-safe); the event loop reads it from there. One watcher per process.
class UnixSignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit UnixSignalWatcher(QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

    // Installs the handlers; false (and a logged reason) when that is not possible.
    bool watch(const QList<int> &signalNumbers);

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
    QList<int> m_watched;
};

} // namespace amplora::app
