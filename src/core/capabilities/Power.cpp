#include "core/capabilities/Power.h"

namespace amplora::Power {

namespace {

const QString on = QStringLiteral("on");

} // namespace

bool isOn(const ZoneStatus &status)
{
    return status.power == on;
}

bool isOn(const std::optional<ZoneStatus> &status)
{
    return status && isOn(*status);
}

QString word(bool isOn)
{
    return isOn ? on : QStringLiteral("standby");
}

std::optional<PowerState> parse(QStringView word)
{
    const QString folded = word.trimmed().toString().toLower();
    if (folded == on) {
        return PowerState::on;
    }
    if (folded == u"standby" || folded == u"off") {
        return PowerState::standby;
    }
    if (folded == u"toggle") {
        return PowerState::toggle;
    }
    return std::nullopt;
}

PowerState toggled(const std::optional<ZoneStatus> &status)
{
    return isOn(status) ? PowerState::standby : PowerState::on;
}

} // namespace amplora::Power
