#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace telvora {

/// A heading of the narrated document: its words and where its line starts in the document.
struct DocumentHeading
{
    QString title;
    qsizetype offset = 0;
};

/// Where the narration of a heading starts: a chunk of the script, and how far into it as a
/// fraction of that chunk's characters.
struct ChapterMark
{
    QString title;
    qsizetype chunk = 0;
    double position = 0;

    friend bool operator==(const ChapterMark &, const ChapterMark &) = default;
};

/// The chapter marks of a narration, one per heading, in order and never going back. The
/// script is a rewrite of the document, so a heading is looked for in it (ignoring case)
/// after the previous heading's place; one the script does not say is placed at its
/// share of the document's length. `chunks` are the script's chunks, in order.
QList<ChapterMark> chapterMarks(const QList<DocumentHeading> &headings, qsizetype documentLength, const QString &script,
                                const QStringList &chunks);

} // namespace telvora
