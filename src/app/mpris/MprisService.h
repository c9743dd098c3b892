#pragma once

#include "app/mpris/MprisArtFile.h"
#include "base/Clock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace amplora {
class ReceiverStore;
class YXCCommand;
} // namespace amplora

namespace amplora::app {

// The desktop's media-player interface (MPRIS) on the session bus, so that media keys, the desktop's media
// controls and playerctl reach the selected zone's network player. Commands go through the store's own controls,
// like the window's buttons, so the volume cap holds; in read-only mode they are refused with an error before
// anything is sent.
//
// The object answers the bus itself (rather than through exported properties) because a refused property write
// must reach the caller as an error, which Qt's exported properties cannot do.
class MprisService final : public QDBusVirtualObject {
    Q_OBJECT

public:
    static QString serviceName() { return QStringLiteral("org.mpris.MediaPlayer2.amplora"); }
    static QString objectPath() { return QStringLiteral("/org/mpris/MediaPlayer2"); }
    static QString rootInterface() { return QStringLiteral("org.mpris.MediaPlayer2"); }
    static QString playerInterface() { return QStringLiteral("org.mpris.MediaPlayer2.Player"); }

    struct Hooks {
        // Brings the main window forward; absent when there are no windows.
        std::function<void()> raise;
        // Ends the application; absent when the desktop may not end it.
        std::function<void()> quit;
    };

    enum class Registration { registered, nameTaken, noBus };

    MprisService(ReceiverStore &store, Hooks hooks, QObject *parent = nullptr);
    ~MprisService() override;

    // Exports the object and takes the name; on any failure nothing stays registered.
    Registration registerOn(QDBusConnection bus);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

    QVariantMap rootProperties() const;
    QVariantMap playerProperties();

private:
    using Reply = std::optional<QDBusMessage>;

    Reply handleProperties(const QDBusMessage &message);
    Reply handleRoot(const QDBusMessage &message);
    Reply handlePlayer(const QDBusMessage &message);
    Reply setVolume(const QDBusMessage &message, const QVariant &value);
    // The refusal when read-only mode would block this command; none when it may go ahead.
    Reply refusal(const QDBusMessage &message, const YXCCommand &command) const;
    std::optional<QVariantMap> properties(const QString &interface);

    // Announces what changed since the last announcement, once per turn of the event loop.
    void scheduleAnnouncement();
    void announce();
    void noticeJump(const QVariantMap &player);

    ReceiverStore &m_store;
    Hooks m_hooks;
    MprisArtFile m_art;
    std::optional<QDBusConnection> m_bus;
    QVariantMap m_announced;
    QTimer m_announceTimer;
    // Where the track was at the last announcement, to tell a jump (a seek on the receiver) from steady play.
    struct Mark {
        qint64 position = 0;
        Clock::TimePoint at;
        bool playing = false;
        QVariant trackId;
    };
    std::optional<Mark> m_mark;
};

} // namespace amplora::app
