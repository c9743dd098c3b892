#pragma once

// The API's enumerations travel as their case names ("main", "standby", "up", "play"). Each enumeration
// provides an EnumCases entry with its names in declaration order; the helpers below read and write them, and the
// router lists the cases in that order when it refuses a value.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace amplora::api {

template<class E> struct EnumCases;

template<class E> QString enumName(E value)
{
    const std::string_view name = EnumCases<E>::names.at(static_cast<std::size_t>(value));
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Exact (case-sensitive) match of a case name; the router lower-cases client text before it asks.
template<class E> std::optional<E> enumFromName(QStringView text)
{
    const auto &names = EnumCases<E>::names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (text == QLatin1StringView(names[i].data(), static_cast<qsizetype>(names[i].size()))) {
            return static_cast<E>(i);
        }
    }
    return std::nullopt;
}

template<class E> QStringList enumNames()
{
    QStringList out;
    for (std::size_t i = 0; i < EnumCases<E>::names.size(); ++i) {
        out.append(enumName(static_cast<E>(i)));
    }
    return out;
}

} // namespace amplora::api
