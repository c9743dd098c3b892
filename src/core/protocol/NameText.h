#pragma once

#include "core/protocol/Zone.h"

#include <QList>
#include <QString>

#include <optional>

namespace amplora {

// One renamable thing: its id and the name the user gave it (the id itself when the receiver sent no name).
struct IDText {
    QString id;
    QString text;

    friend bool operator==(const IDText &, const IDText &) = default;
};

// Answer of "system/getNameText". Decoded leniently: a malformed entry is skipped, a malformed list is empty.
struct NameText {
    std::optional<int> responseCode;
    QList<IDText> zoneList;
    QList<IDText> inputList;
    QList<IDText> soundProgramList;

    std::optional<QString> zoneName(Zone zone) const;

    friend bool operator==(const NameText &, const NameText &) = default;
};

} // namespace amplora
