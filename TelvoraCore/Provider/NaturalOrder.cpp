#include "TelvoraCore/Provider/NaturalOrder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace telvora::NaturalOrder {

namespace {

// Qt's collator for the C locale compares code units and ignores numeric mode, so a
// machine without a configured locale sorts names in the interface's own language.
QLocale collationLocale()
{
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::Portuguese, QLocale::Brazil) : system;
}

// Collators are costly to build and not thread-safe to share, so each thread keeps its own.
const QCollator &naturalCollator()
{
    thread_local const QCollator collator = [] {
        QCollator c(collationLocale());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(true);
        c.setIgnorePunctuation(false);
        return c;
    }();
    return collator;
}

const QCollator &tieBreakCollator()
{
    thread_local const QCollator collator = [] {
        QCollator c(collationLocale());
        c.setCaseSensitivity(Qt::CaseSensitive);
        c.setNumericMode(true);
        return c;
    }();
    return collator;
}

QList<uint> scalars(const QString &value) { return value.normalized(QString::NormalizationForm_C).toUcs4(); }

} // namespace

bool less(const QString &a, const QString &b)
{
    if (const int order = naturalCollator().compare(a, b); order != 0)
        return order < 0;
    if (const int order = tieBreakCollator().compare(a, b); order != 0)
        return order < 0;
    return codePointLess(a, b);
}

void sort(QStringList &names) { std::stable_sort(names.begin(), names.end(), less); }

bool codePointLess(const QString &a, const QString &b) { return scalars(a) < scalars(b); }

QStringList uniqueInCodePointOrder(const QStringList &values)
{
    QList<std::pair<QList<uint>, QString>> keyed;
    keyed.reserve(values.size());
    for (const QString &value : values)
        keyed.append({scalars(value), value});
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList unique;
    for (qsizetype i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first)
            unique.append(keyed[i].second);
    }
    return unique;
}

} // namespace telvora::NaturalOrder
