#include "core/store/FriendlyNames.h"

#include "base/NameKey.h"
#include "core/store/FavouriteInput.h"
#include "core/store/FavouriteSoundProgram.h"

#include <QSet>

namespace amplora::FriendlyNames {

namespace {

struct Candidate {
    QString id;
    QString name;
    bool isFavourite = false;
};

QString key(const QString &name)
{
    return nameMatchingKey(name);
}

// First letter of each blank-separated word upper-case, the rest lower-case.
QString capitalized(const QString &text)
{
    QString result = text.toLower();
    bool startOfWord = true;
    for (QChar &c : result) {
        if (c.isSpace()) {
            startOfWord = true;
        } else if (startOfWord) {
            c = c.toUpper();
            startOfWord = false;
        }
    }
    return result;
}

std::optional<QString> textFor(const QList<IDText> &list, const QString &id)
{
    for (const IDText &entry : list) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return std::nullopt;
}

// A favourite keeps its name; any other name whose key an earlier (or favourite) name already has gets its
// prettified id appended, so every name leads to exactly one id.
QList<Entry> disambiguate(const QList<Candidate> &candidates)
{
    QSet<QString> taken;
    for (const Candidate &candidate : candidates) {
        if (candidate.isFavourite) {
            taken.insert(key(candidate.name));
        }
    }
    QList<Entry> entries;
    entries.reserve(candidates.size());
    for (const Candidate &candidate : candidates) {
        QString name = candidate.name;
        if (!candidate.isFavourite) {
            if (taken.contains(key(name))) {
                name += QStringLiteral(" (") + prettified(candidate.id) + QLatin1Char(')');
            }
            taken.insert(key(name));
        }
        entries.append({ candidate.id, name });
    }
    return entries;
}

template<class Favourite> QString withFavouriteLabel(const QString &name, const QList<Favourite> &favourites)
{
    const QString nameKey = key(name);
    for (const Favourite &favourite : favourites) {
        if (key(favourite.label) == nameKey) {
            return favourite.label;
        }
    }
    return name;
}

} // namespace

QString prettified(const QString &id)
{
    qsizetype firstDigit = 0;
    while (firstDigit < id.size() && !id.at(firstDigit).isDigit()) {
        ++firstDigit;
    }
    const QString digits = id.mid(firstDigit);
    QStringList pieces = id.left(firstDigit).split(QLatin1Char('_'), Qt::SkipEmptyParts);
    for (QString &piece : pieces) {
        if (piece == QLatin1String("hdmi") || piece == QLatin1String("usb") || piece == QLatin1String("tv")) {
            piece = piece.toUpper();
        } else {
            piece = capitalized(piece);
        }
    }
    QString result = pieces.join(QLatin1Char(' '));
    if (!digits.isEmpty()) {
        result += QLatin1Char(' ') + digits;
    }
    return result;
}

QList<Entry> inputs(const QStringList &zoneInputs, const std::optional<NameText> &names)
{
    QSet<QString> favouriteIDs;
    for (const FavouriteInput &favourite : FavouriteInput::all()) {
        if (const auto id = favourite.input(zoneInputs, names)) {
            favouriteIDs.insert(*id);
        }
    }
    QList<Candidate> candidates;
    for (const QString &id : zoneInputs) {
        const QString name = names ? textFor(names->inputList, id).value_or(id) : id;
        candidates.append({ id, withFavouriteLabel(name, FavouriteInput::all()), favouriteIDs.contains(id) });
    }
    return disambiguate(candidates);
}

QList<Entry> soundPrograms(const QStringList &zonePrograms, const std::optional<NameText> &names)
{
    QSet<QString> favouriteIDs;
    for (const FavouriteSoundProgram &favourite : FavouriteSoundProgram::all()) {
        favouriteIDs.insert(favourite.programID);
    }
    QList<Candidate> candidates;
    for (const QString &id : zonePrograms) {
        const QString name = names ? textFor(names->soundProgramList, id).value_or(id) : id;
        candidates.append({ id, withFavouriteLabel(name, FavouriteSoundProgram::all()), favouriteIDs.contains(id) });
    }
    return disambiguate(candidates);
}

} // namespace amplora::FriendlyNames
