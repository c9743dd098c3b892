#pragma once

#include <QString>

namespace amplora {

// Why an answer did not decode, and where: the path is the snake-case wire keys joined by "." (such as
// "tone_control.bass"), empty for the answer as a whole.
struct DecodingError {
    enum class Kind {
        typeMismatch, // a value of the wrong JSON type
        valueNotFound, // null where a value is required
        keyNotFound, // a required key is missing; the path ends with that key
        dataCorrupted, // not JSON at all, or a number the model cannot hold
    };

    Kind kind = Kind::dataCorrupted;
    QString path;

    // The detail shown after "Couldn’t read PATH: ", such as "invalid 'tone_control.bass'" or "invalid JSON at ''".
    QString detail() const;
    QString description() const { return detail(); }

    friend bool operator==(const DecodingError &, const DecodingError &) = default;
};

} // namespace amplora
