#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace amplora::api {

// One parsed request. Header names are lower-cased; path segments and query parameters are percent-decoded.
struct HTTPRequest {
    QString method; // upper-cased
    QStringList pathSegments; // non-empty segments: "/api/v1/scenes/Movie/run" -> api, v1, scenes, Movie, run
    QHash<QString, QString> query;
    QHash<QString, QString> headers;
    QByteArray body; // exactly Content-Length bytes (empty without the header)

    QString header(const QString &lowerCaseName) const { return headers.value(lowerCaseName); }

    friend bool operator==(const HTTPRequest &, const HTTPRequest &) = default;
};

} // namespace amplora::api
