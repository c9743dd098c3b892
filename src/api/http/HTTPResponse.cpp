#include "api/http/HTTPResponse.h"

#include "api/Logging.h"
#include "api/http/JSONEncoder.h"

namespace amplora::api {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return QByteArrayLiteral("OK");
    case 201:
        return QByteArrayLiteral("Created");
    case 202:
        return QByteArrayLiteral("Accepted");
    case 204:
        return QByteArrayLiteral("No Content");
    case 400:
        return QByteArrayLiteral("Bad Request");
    case 401:
        return QByteArrayLiteral("Unauthorized");
    case 403:
        return QByteArrayLiteral("Forbidden");
    case 404:
        return QByteArrayLiteral("Not Found");
    case 405:
        return QByteArrayLiteral("Method Not Allowed");
    case 408:
        return QByteArrayLiteral("Request Timeout");
    case 413:
        return QByteArrayLiteral("Content Too Large");
    case 422:
        return QByteArrayLiteral("Unprocessable Content");
    case 429:
        return QByteArrayLiteral("Too Many Requests");
    case 431:
        return QByteArrayLiteral("Request Header Fields Too Large");
    case 500:
        return QByteArrayLiteral("Internal Server Error");
    case 501:
        return QByteArrayLiteral("Not Implemented");
    case 502:
        return QByteArrayLiteral("Bad Gateway");
    case 503:
        return QByteArrayLiteral("Service Unavailable");
    default:
        return "Status " + QByteArray::number(status);
    }
}

HTTPResponse HTTPResponse::json(int status, const JSONValue &value)
{
    if (auto body = JSONEncoder::encode(value)) {
        return encodedJSON(status, std::move(*body));
    }
    qCWarning(lcApi) << "A response body could not be encoded (a number is not finite); sending {}";
    return encodedJSON(status, QByteArrayLiteral("{}"));
}

HTTPResponse HTTPResponse::encodedJSON(int status, QByteArray body)
{
    HTTPResponse response;
    response.status = status;
    response.headers.append(
        { QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json; charset=utf-8") });
    response.body = std::move(body);
    return response;
}

HTTPResponse HTTPResponse::error(const APIError &error)
{
    HTTPResponse response = json(error.status, ErrorEnvelope { error }.toJSON());
    if (error.status == 401) {
        response.headers.append(
            { QByteArrayLiteral("WWW-Authenticate"), QByteArrayLiteral("Bearer realm=\"Amplora\"") });
    }
    if (error.retryAfterSeconds) {
        response.headers.append({ QByteArrayLiteral("Retry-After"), QByteArray::number(*error.retryAfterSeconds) });
    }
    return response;
}

QByteArray HTTPResponse::serialized() const
{
    QByteArray out;
    out.reserve(128 + body.size());
    out += "HTTP/1.1 ";
    out += QByteArray::number(status);
    out += ' ';
    out += reasonPhrase(status);
    out += "\r\n";
    for (const auto &[name, value] : headers) {
        out += name;
        out += ": ";
        out += value;
        out += "\r\n";
    }
    if (!stream) {
        out += "Content-Length: ";
        out += QByteArray::number(body.size());
        out += "\r\n";
    }
    out += "Connection: close\r\n\r\n";
    out += body;
    return out;
}

} // namespace amplora::api
