#pragma once

#include "core/capabilities/Link.h"
#include "core/protocol/NameText.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace amplora::FriendlyNames {

// One input or sound program as the API and the D-Bus actions offer it: the receiver's id and the name to
// show and to match. Names are unique under the name-matching key, so a spoken or typed name reaches one id.
struct Entry {
    QString id;
    QString name;

    friend bool operator==(const Entry &, const Entry &) = default;
};

// A readable form of a receiver id: "hdmi1" gives "HDMI 1", "net_radio" gives "Net Radio".
QString prettified(const QString &id);

// What the input a linked receiver plays its group's sound on is called, from the group's name (none while it
// is unknown). The API's wording is English; the window passes its translation.
using LinkedWording = QString (*)(const std::optional<QString> &group);

// The zone's inputs in the zone's order, named by the receiver's name list (or the id), favourites under
// their own labels, the linked input after its group, and every other name that would collide made unique with
// its prettified id.
QList<Entry> inputs(const QStringList &zoneInputs, const std::optional<NameText> &names,
    const std::optional<QString> &linkGroup = std::nullopt, LinkedWording wording = &Link::inputName);

// The same for the zone's sound programs.
QList<Entry> soundPrograms(const QStringList &zonePrograms, const std::optional<NameText> &names);

// The lists worked out last, handed out again while the receiver's lists and names stay the same. Working a list
// out keys every name on it, while a caller such as the API's status wants one name from it on every request;
// the receiver's lists are shared copies, so telling that they are unchanged costs next to nothing.
class Memo {
public:
    QList<Entry> inputs(const QStringList &zoneInputs, const std::optional<NameText> &names,
        const std::optional<QString> &linkGroup = std::nullopt);
    QList<Entry> soundPrograms(const QStringList &zonePrograms, const std::optional<NameText> &names);

private:
    struct Slot {
        QStringList ids;
        std::optional<NameText> names;
        std::optional<QString> linkGroup;
        QList<Entry> entries;
    };
    using Work = QList<Entry> (*)(const QStringList &, const std::optional<NameText> &, const std::optional<QString> &);
    // One slot per list seen lately (a receiver has a few zones); the oldest goes first.
    static constexpr qsizetype slotCount = 8;
    static QList<Entry> lookUp(QList<Slot> &slots, const QStringList &ids, const std::optional<NameText> &names,
        const std::optional<QString> &linkGroup, Work work);

    QList<Slot> m_inputs;
    QList<Slot> m_soundPrograms;
};

} // namespace amplora::FriendlyNames
