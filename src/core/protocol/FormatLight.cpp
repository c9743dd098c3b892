#include "core/protocol/FormatLight.h"

#include "core/protocol/RawValueTable.h"

namespace amplora {

namespace {

using namespace Qt::StringLiterals;

constexpr RawValueTable<FormatLight, 5> names { { { FormatLight::dolby, "DOLBY"_L1 },
    { FormatLight::atmos, "ATMOS"_L1 }, { FormatLight::dts, "DTS"_L1 }, { FormatLight::dtsX, "DTS:X"_L1 },
    { FormatLight::pcm, "PCM"_L1 } } };

} // namespace

QString rawValue(FormatLight light)
{
    return rawValueIn(names, light);
}

bool isSignalPlaceholder(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    return trimmed.isEmpty() || trimmed == u"---" || trimmed == u"0";
}

FormatLights formatLightsFor(const std::optional<QString> &format)
{
    if (!format || isSignalPlaceholder(*format)) {
        return {};
    }
    const QString upper = format->trimmed().toUpper();
    FormatLights lit;
    for (FormatLight light : allFormatLights) {
        if (upper.contains(rawValue(light))) {
            lit.insert(light);
        }
    }
    return lit;
}

} // namespace amplora
