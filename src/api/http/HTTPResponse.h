#pragma once

#include "api/http/APIError.h"
#include "api/http/JSONValue.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <memory>

namespace amplora::api {

// The reason phrase of the status line; "Status <code>" for codes outside the API's own set.
QByteArray reasonPhrase(int status);

class ResponseStream;

// One response. Every response closes its connection, so the wire form always ends its headers with
// Content-Length and "Connection: close". A streamed response has no length: its body is whatever `stream`
// produces after the head, and the connection closes when the stream ends.
struct HTTPResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers; // written in list order
    QByteArray body;
    std::shared_ptr<ResponseStream> stream;

    // `value` encoded by the shared encoder, with the single header Content-Type: application/json;
    // charset=utf-8. A value the encoder refuses (a number that is not finite) gives the body {}.
    static HTTPResponse json(int status, const JSONValue &value);
    // The same for a body the shared encoder has already written.
    static HTTPResponse encodedJSON(int status, QByteArray body);
    // The error envelope; 401 adds WWW-Authenticate, a retry time adds Retry-After (in that order).
    static HTTPResponse error(const APIError &error);

    QByteArray serialized() const;

    friend bool operator==(const HTTPResponse &, const HTTPResponse &) = default;
};

} // namespace amplora::api
