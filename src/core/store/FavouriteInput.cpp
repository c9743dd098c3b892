#include "core/store/FavouriteInput.h"

namespace amplora {

const QList<FavouriteInput> &FavouriteInput::all()
{
    static const QList<FavouriteInput> favourites = {
        { QStringLiteral("Spotify"), QStringLiteral("waveform.circle.fill"), { QStringLiteral("spotify") },
            { QStringLiteral("spotify") } },
        { QStringLiteral("AirPlay"), QStringLiteral("airplayaudio"), { QStringLiteral("airplay") },
            { QStringLiteral("airplay") } },
        { QStringLiteral("Apple TV"), QStringLiteral("appletv.fill"), {},
            { QStringLiteral("apple tv"), QStringLiteral("appletv") } },
        { QStringLiteral("PS5"), QStringLiteral("playstation.logo"), {},
            { QStringLiteral("ps5"), QStringLiteral("playstation 5"), QStringLiteral("playstation5"),
                QStringLiteral("playstation") } },
        { QStringLiteral("TV"), QStringLiteral("tv"), { QStringLiteral("tv") }, { QStringLiteral("tv") } },
        { QStringLiteral("Tuner"), QStringLiteral("radio"), { QStringLiteral("tuner") }, { QStringLiteral("tuner") } },
        { QStringLiteral("Phono"), QStringLiteral("opticaldisc"), { QStringLiteral("phono") },
            { QStringLiteral("phono") } },
    };
    return favourites;
}

std::optional<QString> FavouriteInput::input(const QStringList &zoneInputs, const std::optional<NameText> &names) const
{
    for (const QString &id : ids) {
        if (zoneInputs.contains(id)) {
            return id;
        }
    }
    if (!names) {
        return std::nullopt;
    }
    for (const QString &zoneInput : zoneInputs) {
        for (const IDText &entry : names->inputList) {
            if (entry.id == zoneInput) {
                if (this->names.contains(normalizedName(entry.text))) {
                    return zoneInput;
                }
                break; // the first entry for an id is its name
            }
        }
    }
    return std::nullopt;
}

QString normalizedName(const QString &text)
{
    QString result;
    bool pendingBlank = false;
    for (const uint unit : text.toLower().toUcs4()) {
        const auto codePoint = static_cast<char32_t>(unit);
        if (!QChar::isLetterOrNumber(codePoint)) {
            pendingBlank = !result.isEmpty();
            continue;
        }
        if (pendingBlank) {
            result.append(QLatin1Char(' '));
            pendingBlank = false;
        }
        result.append(QString::fromUcs4(&codePoint, 1));
    }
    return result;
}

} // namespace amplora
