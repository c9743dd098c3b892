#include "api/auth/APIToken.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <array>

namespace amplora::api {

QString APIToken::generate()
{
    std::array<quint32, 8> words {}; // 32 bytes
    // QRandomGenerator::system() reads the kernel's getrandom(); it has no failure to report.
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char *>(words.data()), sizeof words);
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace amplora::api
