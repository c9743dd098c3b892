#include "core/discovery/HostAddress.h"

#include <QUrl>

namespace amplora {

QHostAddress plainAddress(const QHostAddress &address)
{
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        bool mapped = false;
        const quint32 ipv4 = address.toIPv4Address(&mapped);
        if (mapped) {
            return QHostAddress(ipv4);
        }
    }
    return address;
}

std::optional<QHostAddress> literalAddress(const QString &host)
{
    QHostAddress address;
    if (host.isEmpty() || !address.setAddress(host)) {
        return std::nullopt;
    }
    return plainAddress(address);
}

bool namesAddress(const QString &host, const QHostAddress &address)
{
    const auto named = literalAddress(host);
    return named && !address.isNull() && *named == plainAddress(address);
}

namespace {

bool isNameCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
}

// Why the text is no host name as RFC 1123 has them, or nothing when it is one.
std::optional<QString> nameFault(const QString &name)
{
    static const QString shape = QStringLiteral("a host name is made of letters, digits and hyphens in parts of at "
                                                "most 63 characters, separated by dots");
    if (name.isEmpty() || name.size() > 253) {
        return shape;
    }
    bool numeric = true;
    const QStringList labels = name.split(u'.');
    for (const QString &label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-')
            || !std::all_of(label.begin(), label.end(), isNameCharacter)) {
            return shape;
        }
        numeric = numeric && std::all_of(label.begin(), label.end(), [](QChar c) { return c.isDigit(); });
    }
    // No top-level domain is all digits: such a text is a mistyped IPv4 address.
    if (numeric) {
        return QStringLiteral("it is no complete IPv4 address");
    }
    return std::nullopt;
}

// An IPv4 address in its usual four dotted numbers (QHostAddress also takes "10.1" and the like).
bool isDottedQuad(const QString &text)
{
    QHostAddress address;
    return text.count(u'.') == 3 && address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

} // namespace

QString ReceiverHost::text() const
{
    const bool ipv6 = machine.contains(u':');
    if (!port) {
        return machine;
    }
    return (ipv6 ? u'[' + machine + u']' : machine) + u':' + QString::number(*port);
}

Result<ReceiverHost, DiscoveryError> ReceiverHost::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    const auto refuse = [&text](const QString &why) { return Failure { DiscoveryError::badHost(text, why) }; };
    if (trimmed.isEmpty()) {
        return refuse(QStringLiteral("it is empty"));
    }
    if (std::any_of(trimmed.begin(), trimmed.end(),
            [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; })) {
        return refuse(QStringLiteral("it contains blanks or control characters"));
    }
    if (trimmed.contains(u'/') || trimmed.contains(u'@') || trimmed.contains(u'?') || trimmed.contains(u'#')) {
        return refuse(QStringLiteral("give the address or name alone, without \"http://\", a path or a user"));
    }
    ReceiverHost host;
    QString portText;
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        QHostAddress address;
        if (close < 0 || !address.setAddress(trimmed.mid(1, close - 1))
            || address.protocol() != QAbstractSocket::IPv6Protocol) {
            return refuse(QStringLiteral("the part in brackets is no IPv6 address"));
        }
        host.machine = address.toString();
        const QString rest = trimmed.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':')) {
            return refuse(QStringLiteral("only a port may follow the IPv6 address"));
        }
        portText = rest.mid(1);
        if (rest.isEmpty()) {
            return host;
        }
    } else if (trimmed.count(u':') > 1) {
        // A bare IPv6 address has colons of its own, so it cannot carry a port.
        QHostAddress address;
        if (!address.setAddress(trimmed) || address.protocol() != QAbstractSocket::IPv6Protocol) {
            return refuse(QStringLiteral("it is no IPv6 address (an IPv6 address with a port goes in brackets)"));
        }
        host.machine = trimmed;
        return host;
    } else {
        const qsizetype colon = trimmed.indexOf(u':');
        host.machine = colon < 0 ? trimmed : trimmed.left(colon);
        if (colon >= 0) {
            portText = trimmed.mid(colon + 1);
        }
        if (host.machine.endsWith(u'.')) {
            host.machine.chop(1);
        }
        if (!isDottedQuad(host.machine)) {
            const QString ascii = QString::fromLatin1(QUrl::toAce(host.machine));
            if (const auto fault = nameFault(ascii.isEmpty() ? host.machine : ascii)) {
                return refuse(*fault);
            }
        }
        if (colon < 0) {
            return host;
        }
    }
    bool number = false;
    const uint port = portText.toUInt(&number);
    if (!number || port < 1 || port > 65535
        || !std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit(); })) {
        return refuse(QStringLiteral("the port must be a number from 1 to 65535"));
    }
    host.port = quint16(port);
    return host;
}

void HostLookup::await_suspend(std::coroutine_handle<> waiter)
{
    // Without a context object the answer is delivered in the calling thread, and always delivered, so the
    // coroutine is never left suspended; whoever waits drops an answer that came too late for it.
    QHostInfo::lookupHost(m_name, [this, waiter](const QHostInfo &info) {
        m_info = info;
        waiter.resume();
    });
}

} // namespace amplora
