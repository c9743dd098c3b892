#include "core/discovery/DeviceDescription.h"

#include "core/Logging.h"

#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

namespace amplora {

std::optional<DeviceDescription> DeviceDescription::parse(const QByteArray &bytes)
{
    QHash<QString, QString> values;
    QHash<QString, QString> makerValues;
    QString text;

    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(true);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            text.clear();
            break;
        case QXmlStreamReader::Characters:
            text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            // A later element of the same name overwrites an earlier one.
            auto &target = reader.namespaceUri() == QLatin1String(makerNamespace) ? makerValues : values;
            target.insert(reader.name().toString(), text.trimmed());
            text.clear();
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        qCDebug(lcDiscovery) << "Ignored a device description that is not XML:" << reader.errorString();
        return std::nullopt;
    }

    if (!values.value(QStringLiteral("manufacturer")).toLower().contains(QLatin1String("yamaha"))) {
        return std::nullopt;
    }
    if (makerValues.value(QStringLiteral("X_yxcControlURL")) != QLatin1String(controlURL)) {
        return std::nullopt;
    }
    const auto base = makerValues.constFind(QStringLiteral("X_URLBase"));
    if (base == makerValues.constEnd()) {
        return std::nullopt;
    }
    const QUrl url(*base, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
        return std::nullopt;
    }

    DeviceDescription description;
    description.host = url.host();
    if (url.port(80) != 80) {
        description.host += u':' + QString::number(url.port());
    }
    description.name = values.value(QStringLiteral("friendlyName"));
    if (description.name.isEmpty()) {
        description.name = url.host();
    }
    return description;
}

} // namespace amplora
