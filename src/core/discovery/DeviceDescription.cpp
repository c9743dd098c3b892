#include "core/discovery/DeviceDescription.h"

#include "core/Logging.h"
#include "core/discovery/HostAddress.h"
#include "core/protocol/LenientText.h"

#include <QByteArrayView>
#include <QHash>
#include <QXmlStreamReader>

namespace amplora {

namespace {

// The encoding the XML declaration names; none without a declaration or without an encoding in it.
std::optional<QByteArray> declaredEncoding(QByteArrayView text)
{
    if (!text.startsWith("<?xml")) {
        return std::nullopt;
    }
    const qsizetype end = text.indexOf("?>");
    const QByteArrayView declaration = end < 0 ? text : text.first(end);
    qsizetype at = declaration.indexOf("encoding");
    if (at < 0) {
        return std::nullopt;
    }
    at += qsizetype(sizeof("encoding") - 1);
    const auto skipSpaces = [&] {
        while (at < declaration.size() && QChar::isSpace(uchar(declaration[at]))) {
            ++at;
        }
    };
    skipSpaces();
    if (at >= declaration.size() || declaration[at] != '=') {
        return QByteArray();
    }
    ++at;
    skipSpaces();
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
        return QByteArray();
    }
    const char quote = declaration[at];
    const qsizetype close = declaration.indexOf(quote, at + 1);
    if (close < 0) {
        return QByteArray();
    }
    return declaration.sliced(at + 1, close - at - 1).toByteArray();
}

// UTF-8 by declaration or by default: no byte order mark of UTF-16 or UTF-32, no NUL bytes of either without
// one, and no declaration of another encoding (which the reader then decodes itself).
bool isUtf8Document(const QByteArray &bytes)
{
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF")) {
        text = text.sliced(3);
    } else if (text.startsWith("\xFE\xFF") || text.startsWith("\xFF\xFE")
        || text.first(std::min<qsizetype>(text.size(), 4)).contains('\0')) {
        return false;
    }
    const auto encoding = declaredEncoding(text);
    if (!encoding) {
        return true;
    }
    const QByteArray name = encoding->toLower();
    return name == "utf-8" || name == "utf8";
}

// The host as the client takes it: an IPv6 address in brackets, the port only when it is not 80.
QString hostWithPort(const QUrl &url)
{
    QString host = url.host();
    if (const auto address = literalAddress(host)) {
        host = address->protocol() == QAbstractSocket::IPv6Protocol ? u'[' + address->toString() + u']'
                                                                    : address->toString();
    }
    if (url.port(80) != 80) {
        host += u':' + QString::number(url.port());
    }
    return host;
}

} // namespace

std::optional<DeviceDescription> DeviceDescription::parse(const QByteArray &bytes)
{
    QHash<QString, QString> values;
    QHash<QString, QString> makerValues;
    QString text;

    QXmlStreamReader reader(isUtf8Document(bytes) ? lenientUtf8(bytes) : bytes);
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
    description.urlBase = url;
    description.host = hostWithPort(url);
    description.name = values.value(QStringLiteral("friendlyName"));
    if (description.name.isEmpty()) {
        description.name = url.host();
    }
    return description;
}

bool DeviceDescription::isServedFrom(const QUrl &location) const
{
    const auto served = literalAddress(location.host());
    return served && namesAddress(urlBase.host(), *served);
}

} // namespace amplora
