#pragma once

#include <QString>
#include <QStringList>

namespace telvora::NaturalOrder {

/// The ordering of names shown to users: locale-aware, case- and width-insensitive, digit
/// runs compared by value ("2" before "10"); strings that differ only in case are ordered
/// by a fixed tie-break, so the order never depends on the input order but for true ties.
bool less(const QString &a, const QString &b);

/// Stable sort of `names` in natural order.
void sort(QStringList &names);

/// Plain ascending order by Unicode scalar values, canonically equivalent strings equal.
bool codePointLess(const QString &a, const QString &b);

/// Sorts in code-point order and drops canonical duplicates (the first one stays).
QStringList uniqueInCodePointOrder(const QStringList &values);

} // namespace telvora::NaturalOrder
