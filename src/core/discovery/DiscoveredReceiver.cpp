#include "core/discovery/DiscoveredReceiver.h"

#include <QCollator>

#include <algorithm>

namespace amplora {

namespace {

// The C locale's collator compares code points only, ignoring numeric mode and case; processes started without
// a locale (services, tests) still deserve "Den 9" before "Den 10".
int naturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a[i].isDigit()) {
                ++i;
            }
            while (j < b.size() && b[j].isDigit()) {
                ++j;
            }
            auto numberA = a.sliced(startA, i - startA);
            auto numberB = b.sliced(startB, j - startB);
            while (numberA.size() > 1 && numberA.front() == u'0') {
                numberA = numberA.sliced(1);
            }
            while (numberB.size() > 1 && numberB.front() == u'0') {
                numberB = numberB.sliced(1);
            }
            if (numberA.size() != numberB.size()) {
                return numberA.size() < numberB.size() ? -1 : 1;
            }
            if (const int order = numberA.compare(numberB); order != 0) {
                return order;
            }
            continue;
        }
        if (const int order = a.sliced(i, 1).compare(b.sliced(j, 1), Qt::CaseInsensitive); order != 0) {
            return order;
        }
        ++i;
        ++j;
    }
    return (a.size() - i > 0) - (b.size() - j > 0);
}

} // namespace

QString DiscoveredReceiver::label() const
{
    static const QString separator = QStringLiteral(" \u00B7 ");
    return name + separator + model + separator + host;
}

void sortForDisplay(QList<DiscoveredReceiver> &receivers, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const bool plainLocale = locale.language() == QLocale::C;
    std::stable_sort(receivers.begin(), receivers.end(), [&](const auto &a, const auto &b) {
        return (plainLocale ? naturalCompare(a.label(), b.label()) : collator.compare(a.label(), b.label())) < 0;
    });
}

} // namespace amplora
