#pragma once

#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QVariant>

#include <vector>

namespace amplora {

// Sends a view model's notify signals for real changes only. Each store signal is tied to the few properties it
// can change; when it fires, just those are read again and compared with what was last announced, so a volume
// drag costs one comparison and redraws one readout. Properties that share a notify signal announce it once.
class PropertyWatch {
public:
    explicit PropertyWatch(QObject &owner)
        : m_owner(owner)
    { }

    // When `signal` of `sender` fires, the named properties of the owner are compared and announced.
    template<typename Sender, typename Signal>
    void watch(const Sender *sender, Signal signal, std::initializer_list<const char *> names)
    {
        QList<int> indices = resolve(names);
        QObject::connect(sender, signal, &m_owner, [this, indices] { check(indices); });
    }

private:
    QList<int> resolve(std::initializer_list<const char *> names);
    void check(const QList<int> &indices);

    QObject &m_owner;
    struct Watched {
        int index = -1;
        QVariant value;
    };
    std::vector<Watched> m_watched;
};

} // namespace amplora
