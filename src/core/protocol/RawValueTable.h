#pragma once

// A small two-way table between an enumeration and its wire names, so each enumeration writes its names once.

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <utility>

namespace amplora {

template<class E, std::size_t N> using RawValueTable = std::array<std::pair<E, QLatin1StringView>, N>;

template<class E, std::size_t N> QString rawValueIn(const RawValueTable<E, N> &table, E value)
{
    for (const auto &[candidate, name] : table) {
        if (candidate == value) {
            return name;
        }
    }
    return {};
}

template<class E, std::size_t N> std::optional<E> valueIn(const RawValueTable<E, N> &table, QStringView raw)
{
    for (const auto &[candidate, name] : table) {
        if (raw == name) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace amplora
