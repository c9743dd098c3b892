#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

namespace amplora {

// Why an answer did not decode, and where: the path is the snake-case wire keys joined by "." (such as
// "tone_control.bass"), empty for the answer as a whole.
struct DecodingError {
    enum class Kind {
        typeMismatch, // a value of the wrong JSON type
        valueNotFound, // null where a value is required
        keyNotFound, // a required key is missing; the path ends with that key
        dataCorrupted, // a number the model cannot hold
        notJSON, // the bytes are no JSON at all; `offset` and `near` say where
    };

    DecodingError() = default;
    DecodingError(Kind kind, QString path)
        : kind(kind)
        , path(std::move(path))
    { }

    Kind kind = Kind::dataCorrupted;
    QString path;
    // notJSON only: the byte offset at which the bytes stopped being JSON (their size when they ended too soon),
    // and a few of the bytes around it, as they were read.
    qsizetype offset = 0;
    QByteArray near;

    // The error for `bytes` that stopped being JSON at `offset`.
    static DecodingError notJSON(const QByteArray &bytes, qsizetype offset);

    // The detail shown after "Couldn’t read PATH: ", such as "invalid 'tone_control.bass'" or
    // "invalid JSON at byte 17 near '<html><body>'".
    QString detail() const;
    QString description() const { return detail(); }

    friend bool operator==(const DecodingError &, const DecodingError &) = default;
};

} // namespace amplora
