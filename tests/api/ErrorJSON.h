#pragma once

#include <QByteArray>

namespace amplora::test {

// Expected JSON with ` standing for an escaped quote and ^ for an apostrophe: moc misreads raw strings that
// hold either.
inline QByteArray bodyJSON(QByteArray text)
{
    return text.replace('`', "\\\"").replace('^', '\'');
}

// The body of an error without extra fields, its message in bodyJSON's notation.
inline QByteArray errorJSON(int status, const char *code, const char *message)
{
    return bodyJSON(QByteArrayLiteral("{\"error\":{\"code\":\"") + code + "\",\"message\":\"" + message
        + "\",\"status\":" + QByteArray::number(status) + "}}");
}

} // namespace amplora::test
