#include "core/protocol/YXCEncoder.h"

#include "core/protocol/WireFields.h"

#include <nlohmann/json.hpp>

#include <type_traits>

namespace amplora {

namespace {

using json = nlohmann::json;

template<class T> struct IsList : std::false_type { };
template<class E> struct IsList<QList<E>> : std::true_type { };

template<class V> json toJson(const V &value)
{
    if constexpr (std::is_same_v<V, QString>) {
        return value.toStdString();
    } else if constexpr (std::is_arithmetic_v<V>) {
        return value;
    } else if constexpr (IsList<V>::value) {
        json list = json::array();
        for (const auto &element : value) {
            list.push_back(toJson(element));
        }
        return list;
    } else {
        json object = json::object();
        wire::forEachField<V>([&](const auto &field) {
            const auto &member = value.*field.member;
            using Member = std::remove_cvref_t<decltype(member)>;
            if constexpr (requires { member.has_value(); }) {
                if (member.has_value()) {
                    object[field.key] = toJson(*member);
                }
            } else {
                static_assert(!std::is_same_v<Member, void>);
                object[field.key] = toJson(member);
            }
        });
        return object;
    }
}

} // namespace

namespace YXCEncoder {

QByteArray encode(const YXCPayload &payload, bool indented)
{
    const json document = std::visit([](const auto &model) { return toJson(model); }, payload);
    const std::string text = document.dump(indented ? 2 : -1, ' ', false, json::error_handler_t::replace);
    return QByteArray::fromStdString(text);
}

} // namespace YXCEncoder

} // namespace amplora
