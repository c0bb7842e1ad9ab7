#include "Telvora/Session/NarrationMetadata.h"

#include "Telvora/Document/StyledDocument.h"
#include "TelvoraCore/Narration/ChapterMarks.h"
#include "TelvoraCore/Support/ResourceBundle.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::NarrationMetadata {

namespace {

// The headings as the reader shows them: without their marks.
QList<DocumentHeading> documentHeadings(const QString &document, const QList<StyledDocument::HeadingLine> &lines)
{
    QList<DocumentHeading> headings;
    for (const StyledDocument::HeadingLine &line : lines)
        headings.append({StyledDocument::plain(document.sliced(line.offset, line.length)).trimmed(), line.offset});
    return headings;
}

} // namespace

NarrationTags tags(const QString &document, const QString &script, const QStringList &chunks, OutputKind kind,
                   const QString &fallbackTitle)
{
    const QList<StyledDocument::HeadingLine> lines = StyledDocument::headings(document);
    const QList<DocumentHeading> headings = documentHeadings(document, lines);
    NarrationTags tags;
    tags.title = !lines.isEmpty() && lines.first().title ? headings.first().title : fallbackTitle;
    tags.genre = kind.rawValue();
    tags.date = QDate::currentDate();
    tags.cover = AppResources::bundle().resource(u"Telvora-icon-v1"_s, u"png"_s).value_or(QString());
    for (const ChapterMark &mark : chapterMarks(headings, document.size(), script, chunks))
        tags.chapters.append({mark.title, mark.chunk, mark.position});
    return tags;
}

} // namespace telvora::NarrationMetadata
