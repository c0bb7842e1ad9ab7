#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace telvora {

/// Where a chapter of the narration starts: a part, and how far into it as a fraction of
/// that part's length (0 is its first sample).
struct NarrationChapter
{
    QString title;
    qsizetype part = 0;
    double position = 0;

    friend bool operator==(const NarrationChapter &, const NarrationChapter &) = default;
};

/// What a narration carries for its listeners besides the audio. Empty fields are left out.
struct NarrationTags
{
    QString title;
    QString genre;
    QDate date;
    /// A PNG picture shown as the cover.
    QString cover;
    /// In order; a chapter that would not start after the previous one is left out.
    QList<NarrationChapter> chapters;
};

} // namespace telvora
