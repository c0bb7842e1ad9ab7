#include "Telvora/Interface/Reader/SpeakerNames.h"

#include "Telvora/Interface/Reader/SegmentAnchors.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace telvora::SpeakerNames {

namespace {

// The shape a transcript renders each segment in; names as long as the export reads back.
const QRegularExpression speakerLine(u"^(\\[\\d+:\\d\\d:\\d\\d - \\d+:\\d\\d:\\d\\d\\] )?([^\\n]{1,60}?): "_s);

std::optional<NameSpan> speakerOfFirstLine(const QTextBlock &first)
{
    const QRegularExpressionMatch match = speakerLine.match(first.text());
    if (!match.hasMatch() || match.captured(2).trimmed().isEmpty())
        return std::nullopt;
    return NameSpan{first.position() + int(match.capturedStart(2)), int(match.capturedLength(2)), match.captured(2)};
}

} // namespace

std::optional<NameSpan> speakerOf(const QTextBlock &block)
{
    const std::optional<SegmentAnchors::Paragraph> paragraph = SegmentAnchors::paragraphOf(block);
    if (!paragraph)
        return std::nullopt;
    return speakerOfFirstLine(paragraph->first);
}

bool isValidName(const QString &name)
{
    return !name.trimmed().isEmpty() && name.size() <= 60 && !name.contains(u": "_s) && !name.contains(u'\n')
        && name == name.trimmed();
}

int rename(QTextDocument &document, const QString &from, const QString &to)
{
    QList<NameSpan> spans;
    for (const QTextBlock &first : SegmentAnchors::paragraphStarts(document)) {
        if (const std::optional<NameSpan> span = speakerOfFirstLine(first); span && span->name == from)
            spans.append(*span);
    }
    // From the end, so that the earlier positions still hold.
    QTextCursor cursor(&document);
    for (auto span = spans.crbegin(); span != spans.crend(); ++span) {
        cursor.setPosition(span->position);
        cursor.setPosition(span->position + span->length, QTextCursor::KeepAnchor);
        cursor.insertText(to);
    }
    return int(spans.size());
}

} // namespace telvora::SpeakerNames
