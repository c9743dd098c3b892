#include "core/store/FriendlyNames.h"

#include "base/NameKey.h"
#include "core/store/FavouriteInput.h"
#include "core/store/FavouriteSoundProgram.h"

#include <QHash>
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

// The favourites' labels by their keys (the first favourite of a key wins). The favourites never change, so
// they are keyed once rather than for every entry of every list.
template<class Favourite> const QHash<QString, QString> &labelsByKey()
{
    static const QHash<QString, QString> labels = [] {
        QHash<QString, QString> byKey;
        for (const Favourite &favourite : Favourite::all()) {
            const QString labelKey = key(favourite.label);
            if (!byKey.contains(labelKey)) {
                byKey.insert(labelKey, favourite.label);
            }
        }
        return byKey;
    }();
    return labels;
}

QString withFavouriteLabel(const QString &name, const QHash<QString, QString> &labels)
{
    return labels.value(key(name), name);
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

QList<Entry> inputs(const QStringList &zoneInputs, const std::optional<NameText> &names,
    const std::optional<QString> &linkGroup, LinkedWording wording)
{
    QSet<QString> favouriteIDs;
    for (const FavouriteInput &favourite : FavouriteInput::all()) {
        if (const auto id = favourite.input(zoneInputs, names)) {
            favouriteIDs.insert(*id);
        }
    }
    const QHash<QString, QString> &labels = labelsByKey<FavouriteInput>();
    QList<Candidate> candidates;
    for (const QString &id : zoneInputs) {
        if (id == Link::inputId) {
            // The receiver's own name for it ("MusicCast Link") says nothing about which group it plays.
            candidates.append({ id, wording(linkGroup), false });
            continue;
        }
        const QString name = names ? textFor(names->inputList, id).value_or(id) : id;
        candidates.append({ id, withFavouriteLabel(name, labels), favouriteIDs.contains(id) });
    }
    return disambiguate(candidates);
}

QList<Entry> soundPrograms(const QStringList &zonePrograms, const std::optional<NameText> &names)
{
    QSet<QString> favouriteIDs;
    for (const FavouriteSoundProgram &favourite : FavouriteSoundProgram::all()) {
        favouriteIDs.insert(favourite.programID);
    }
    const QHash<QString, QString> &labels = labelsByKey<FavouriteSoundProgram>();
    QList<Candidate> candidates;
    for (const QString &id : zonePrograms) {
        const QString name = names ? textFor(names->soundProgramList, id).value_or(id) : id;
        candidates.append({ id, withFavouriteLabel(name, labels), favouriteIDs.contains(id) });
    }
    return disambiguate(candidates);
}

QList<Entry> Memo::inputs(
    const QStringList &zoneInputs, const std::optional<NameText> &names, const std::optional<QString> &linkGroup)
{
    return lookUp(m_inputs, zoneInputs, names, linkGroup,
        [](const QStringList &ids, const std::optional<NameText> &known, const std::optional<QString> &group) {
            return FriendlyNames::inputs(ids, known, group);
        });
}

QList<Entry> Memo::soundPrograms(const QStringList &zonePrograms, const std::optional<NameText> &names)
{
    return lookUp(m_soundPrograms, zonePrograms, names, std::nullopt,
        [](const QStringList &ids, const std::optional<NameText> &known, const std::optional<QString> &) {
            return FriendlyNames::soundPrograms(ids, known);
        });
}

QList<Entry> Memo::lookUp(QList<Slot> &slots, const QStringList &ids, const std::optional<NameText> &names,
    const std::optional<QString> &linkGroup, Work work)
{
    for (const Slot &slot : slots) {
        if (slot.ids == ids && slot.names == names && slot.linkGroup == linkGroup) {
            return slot.entries;
        }
    }
    if (slots.size() == slotCount) {
        slots.removeFirst();
    }
    slots.append({ ids, names, linkGroup, work(ids, names, linkGroup) });
    return slots.last().entries;
}

} // namespace amplora::FriendlyNames
