#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace amplora::api::NameMatcher {

// The outcome of matching a loosely typed name against the names a receiver offers.
struct Result {
    enum class Kind { match, ambiguous, notFound };

    Kind kind = Kind::notFound;
    // match: the one candidate, spelled as the candidate list has it; ambiguous: every candidate that fits,
    // in candidate order; notFound: empty.
    QStringList names;

    static Result matched(const QString &name) { return { Kind::match, { name } }; }
    static Result ambiguousBetween(const QStringList &names) { return { Kind::ambiguous, names }; }
    static Result notFound() { return {}; }

    bool isMatch() const { return kind == Kind::match; }
    QString matchedName() const { return isMatch() ? names.constFirst() : QString(); }

    friend bool operator==(const Result &, const Result &) = default;
};

// Compares by nameMatchingKey(); when several candidates share the key, a case-insensitive exact spelling
// decides, so "HDMI 1" and "HDMI1" can both be reached.
Result match(QStringView requested, const QStringList &candidates);

} // namespace amplora::api::NameMatcher
