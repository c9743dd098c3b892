#include "app/diagnostics/Redaction.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <optional>

namespace amplora::diagnostics {

namespace {

const QString kindToken = QStringLiteral("token");
const QString kindSecret = QStringLiteral("secret");
const QString kindDeviceId = QStringLiteral("device-id");
const QString kindSerial = QStringLiteral("serial");
const QString kindMac = QStringLiteral("mac");
const QString kindSsid = QStringLiteral("ssid");
const QString kindIp = QStringLiteral("ip");

// Shorter values would replace parts of ordinary words everywhere; they identify nothing either.
constexpr qsizetype shortestValue = 3;

// The kind of value a key holds, judged from its name with case and separators left out ("mac_address",
// "macAddress" and "MAC-Address" are one key); none for keys that hold nothing to hide.
std::optional<QString> kindOfKey(const QString &key)
{
    QString k;
    for (const QChar c : key) {
        if (c.isLetterOrNumber()) {
            k += c.toLower();
        }
    }
    if (k.contains(QLatin1String("password")) || k.contains(QLatin1String("passphrase"))
        || k.contains(QLatin1String("token")) || k.contains(QLatin1String("secret"))
        || k.endsWith(QLatin1String("key"))) {
        return kindSecret;
    }
    if (k.endsWith(QLatin1String("deviceid"))) {
        return kindDeviceId;
    }
    if (k.contains(QLatin1String("serial"))) {
        return kindSerial;
    }
    if (k.contains(QLatin1String("ssid"))) {
        return kindSsid;
    }
    if (k == QLatin1String("mac") || k.endsWith(QLatin1String("mac")) || k.contains(QLatin1String("macaddress"))) {
        return kindMac;
    }
    return std::nullopt;
}

// 12 hex digits in any notation ("00:a0:de:12:34:56", "00-A0-DE-12-34-56", "00a0.de12.3456", "00A0DE123456")
// become one lower-case form, so the same MAC or id written two ways gets one placeholder.
std::optional<QString> hexIdentity(const QString &value)
{
    QString hex;
    for (const QChar c : value) {
        if (c == u':' || c == u'-' || c == u'.') {
            continue;
        }
        if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f')) {
            return std::nullopt;
        }
        hex += c.toLower();
    }
    return hex.size() == 12 ? std::optional(hex) : std::nullopt;
}

// The placeholders handed out so far, the same for the same value across the whole bundle.
class Placeholders {
public:
    QString forValue(const QString &kind, const QString &value)
    {
        const QString identity = hexIdentity(value).value_or(value);
        // A MAC also found under a device id or serial key is named as that, wherever it stands.
        for (const QString &known : { kindDeviceId, kindSerial, kindMac }) {
            if (hexIdentity(value) && m_numbers.value(known).contains(identity)) {
                return name(known, m_numbers.value(known).value(identity));
            }
        }
        auto &numbers = m_numbers[kind];
        auto found = numbers.constFind(identity);
        if (found == numbers.constEnd()) {
            found = numbers.insert(identity, int(numbers.size()) + 1);
        }
        return name(kind, *found);
    }

    RedactionSummary summary() const
    {
        RedactionSummary summary;
        for (auto it = m_numbers.cbegin(); it != m_numbers.cend(); ++it) {
            if (!it->isEmpty()) {
                summary.distinctValues.insert(it.key(), int(it->size()));
            }
        }
        return summary;
    }

private:
    static QString name(const QString &kind, int number)
    {
        return kind == kindToken ? QStringLiteral("<token>") : QStringLiteral("<%1-%2>").arg(kind).arg(number);
    }

    QMap<QString, QMap<QString, int>> m_numbers;
};

struct KnownValue {
    QString kind;
    QString value;
};

void collectLeaves(const QJsonValue &value, const QString &kind, QList<KnownValue> &out)
{
    if (value.isString()) {
        out.append({ kind, value.toString().trimmed() });
    } else if (value.isDouble()) {
        out.append({ kind, QString::number(value.toDouble(), 'g', 17) });
    } else if (value.isArray()) {
        for (const QJsonValue item : value.toArray()) {
            collectLeaves(item, kind, out);
        }
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            collectLeaves(it.value(), kind, out);
        }
    }
}

// Every value below a key that names something to hide, at any depth.
void collectFromJson(const QJsonValue &value, QList<KnownValue> &out)
{
    if (value.isArray()) {
        for (const QJsonValue item : value.toArray()) {
            collectFromJson(item, out);
        }
        return;
    }
    if (!value.isObject()) {
        return;
    }
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (const auto kind = kindOfKey(it.key())) {
            collectLeaves(it.value(), *kind, out);
        } else {
            collectFromJson(it.value(), out);
        }
    }
}

std::optional<QJsonValue> parsedJson(const QByteArray &text)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        return std::nullopt;
    }
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

// A whole JSON file; otherwise each line: JSON from its first brace (a log line or an event with its time in front),
// or "key=value" as in a settings file.
void collectFromFile(const QByteArray &contents, QList<KnownValue> &out)
{
    if (const auto whole = parsedJson(contents)) {
        collectFromJson(*whole, out);
        return;
    }
    for (const QByteArray &line : contents.split('\n')) {
        const qsizetype brace = line.indexOf('{');
        if (brace >= 0) {
            if (const auto json = parsedJson(line.mid(brace))) {
                collectFromJson(*json, out);
                continue;
            }
        }
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) {
            const QString key = QString::fromUtf8(line.left(equals)).section(u'/', -1).trimmed();
            if (const auto kind = kindOfKey(key)) {
                QString value = QString::fromUtf8(line.mid(equals + 1)).trimmed();
                if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
                    value = value.mid(1, value.size() - 2);
                }
                out.append({ *kind, value });
            }
        }
    }
}

// How a value may be written in a text: as it is, with JSON's escapes, and with every character beyond ASCII
// escaped as "\u00fc" (or "\u00FC") as some receivers write them.
QStringList jsonSpellings(const QString &value)
{
    const QByteArray quoted = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    const QString escaped = QString::fromUtf8(quoted.mid(2, quoted.size() - 4));
    QString lower;
    QString upper;
    for (const QChar c : escaped) {
        const QString hex = QStringLiteral("%1").arg(uint(c.unicode()), 4, 16, QChar(u'0'));
        lower += c.unicode() < 0x80 ? QString(c) : QStringLiteral("\\u") + hex;
        upper += c.unicode() < 0x80 ? QString(c) : QStringLiteral("\\u") + hex.toUpper();
    }
    QStringList spellings { value, escaped, lower, upper };
    spellings.removeDuplicates();
    return spellings;
}

using Replacer = std::function<std::optional<QString>(const QRegularExpressionMatch &)>;

QString replaceAll(const QString &text, const QRegularExpression &pattern, const Replacer &replacement)
{
    QString result;
    qsizetype from = 0;
    auto matches = pattern.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const auto replaced = replacement(match);
        if (!replaced) {
            continue;
        }
        result += QStringView(text).mid(from, match.capturedStart() - from);
        result += *replaced;
        from = match.capturedEnd();
    }
    result += QStringView(text).mid(from);
    return result;
}

std::optional<QHostAddress> receiverAddress(const QString &host)
{
    const QUrl url(QStringLiteral("http://") + host.trimmed());
    QHostAddress address;
    if (url.isValid() && address.setAddress(url.host())) {
        return address;
    }
    if (address.setAddress(host.trimmed())) {
        return address;
    }
    return std::nullopt;
}

class Redactor {
public:
    Redactor(const QList<BundleFile> &files, const RedactionContext &context)
        : m_receiver(receiverAddress(context.receiverHost))
    {
        QList<KnownValue> known;
        for (const QString &secret : context.secrets) {
            known.append({ kindToken, secret });
        }
        for (const BundleFile &file : files) {
            collectFromFile(file.contents, known);
        }
        for (const KnownValue &value : std::as_const(known)) {
            // The first kind a value was found as names it: the token is "<token>" also where a key holds it.
            if (value.value.size() < shortestValue || isKeptAddress(value.value) || m_literals.contains(value.value)) {
                continue;
            }
            for (const QString &spelling : jsonSpellings(value.value)) {
                m_literals.insert(spelling, value);
            }
        }
        QStringList spellings = m_literals.keys();
        // The longest first, so a value that contains another is replaced whole.
        std::ranges::sort(spellings, [](const QString &a, const QString &b) { return a.size() > b.size(); });
        QStringList escaped;
        for (const QString &spelling : std::as_const(spellings)) {
            escaped.append(QRegularExpression::escape(spelling));
        }
        if (!escaped.isEmpty()) {
            m_literalPattern = QRegularExpression(escaped.join(u'|'));
        }
    }

    QString apply(const QString &text)
    {
        QString out = text;
        if (m_literalPattern.isValid() && !m_literals.isEmpty()) {
            out = replaceAll(out, m_literalPattern, [this](const QRegularExpressionMatch &m) -> std::optional<QString> {
                const KnownValue value = m_literals.value(m.captured(0));
                return m_placeholders.forValue(value.kind, value.value);
            });
        }
        const auto hex = [this](const QRegularExpressionMatch &m) -> std::optional<QString> {
            return m_placeholders.forValue(kindMac, m.captured(0));
        };
        static const QRegularExpression separatedMac(QStringLiteral(
            "(?<![0-9A-Fa-f:.-])[0-9A-Fa-f]{2}([:-])(?:[0-9A-Fa-f]{2}\\1){4}[0-9A-Fa-f]{2}(?![0-9A-Fa-f:-])"));
        static const QRegularExpression dottedMac(
            QStringLiteral("(?<![0-9A-Fa-f.])[0-9A-Fa-f]{4}\\.[0-9A-Fa-f]{4}\\.[0-9A-Fa-f]{4}(?![0-9A-Fa-f])"));
        out = replaceAll(out, separatedMac, hex);
        out = replaceAll(out, dottedMac, hex);
        const auto ip = [this](const QRegularExpressionMatch &m) -> std::optional<QString> {
            QString candidate = m.captured(0);
            QHostAddress address;
            if (!address.setAddress(candidate.section(u'%', 0, 0)) || isKept(address)) {
                return std::nullopt;
            }
            return m_placeholders.forValue(kindIp, address.toString());
        };
        static const QRegularExpression ipv6(QStringLiteral("(?<![0-9A-Za-z:.])(?:[0-9A-Fa-f]{0,4}:){2,7}"
                                                            "(?:\\d{1,3}(?:\\.\\d{1,3}){3}|[0-9A-Fa-f]{0,4})"
                                                            "(?:%[0-9A-Za-z]+)?(?![0-9A-Za-z:])"));
        static const QRegularExpression ipv4(QStringLiteral("(?<![0-9.])\\d{1,3}(?:\\.\\d{1,3}){3}(?![0-9]|\\.\\d)"));
        out = replaceAll(out, ipv6, ip);
        out = replaceAll(out, ipv4, ip);
        static const QRegularExpression bareHex(QStringLiteral("(?<![0-9A-Za-z])[0-9A-Fa-f]{12}(?![0-9A-Za-z])"));
        out = replaceAll(out, bareHex, hex);
        return out;
    }

    RedactionSummary summary() const { return m_placeholders.summary(); }

private:
    bool isKept(const QHostAddress &address) const { return m_receiver && address.isEqual(*m_receiver); }
    bool isKeptAddress(const QString &value) const
    {
        QHostAddress address;
        return address.setAddress(value) && isKept(address);
    }

    std::optional<QHostAddress> m_receiver;
    Placeholders m_placeholders;
    QMap<QString, KnownValue> m_literals; // every spelling of a known value
    QRegularExpression m_literalPattern;
};

} // namespace

QString RedactionSummary::text() const
{
    static const QList<std::pair<QString, std::pair<const char *, const char *>>> names {
        { kindToken, { "token", "tokens" } },
        { kindSecret, { "secret", "secrets" } },
        { kindDeviceId, { "device id", "device ids" } },
        { kindSerial, { "serial number", "serial numbers" } },
        { kindMac, { "MAC address", "MAC addresses" } },
        { kindSsid, { "SSID", "SSIDs" } },
        { kindIp, { "IP address", "IP addresses" } },
    };
    QStringList parts;
    for (const auto &[kind, words] : names) {
        const int count = distinctValues.value(kind);
        if (count > 0) {
            parts.append(
                QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? words.first : words.second)));
        }
    }
    return parts.isEmpty() ? QStringLiteral("nothing") : parts.join(QStringLiteral(", "));
}

Redacted redact(const QList<BundleFile> &files, const RedactionContext &context)
{
    Redactor redactor(files, context);
    Redacted result;
    for (const BundleFile &file : files) {
        result.files.append({ redactor.apply(file.name), redactor.apply(QString::fromUtf8(file.contents)).toUtf8() });
    }
    result.summary = redactor.summary();
    return result;
}

} // namespace amplora::diagnostics
