// libFuzzer target: what devices answer a search with. The first byte picks the parser (SSDP answer or device
// description); a result must satisfy the rules it was kept by.

#include "core/discovery/DeviceDescription.h"
#include "core/discovery/HostAddress.h"
#include "core/discovery/SSDPSearch.h"

#include "FuzzRequire.h"

#include <cstdint>
#include <cstdlib>

using namespace amplora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] % 2 == 0) {
        if (const auto url = SSDPSearch::locationURL(bytes)) {
            require(url->scheme() == QLatin1String("http") && !url->host().isEmpty() && url->userInfo().isEmpty());
        }
    } else if (const auto description = DeviceDescription::parse(bytes)) {
        require(!description->host.isEmpty() && !description->name.isEmpty());
        // The description is trusted only from the host its URL base names.
        QUrl location = description->urlBase;
        location.setPort(49154);
        require(description->isServedFrom(location) == literalAddress(description->urlBase.host()).has_value());
    }
    return 0;
}
