#pragma once

#include <QString>
#include <QTextBlock>

#include <optional>

class QTextDocument;

namespace telvora::SpeakerNames {

/// Where the speaker's name lies in a transcript paragraph's first line: after the
/// optional "[00:00:03 - 00:01:05] " timecode, before the ": " that ends it.
struct NameSpan
{
    int position = 0; // in the document
    int length = 0;
    QString name;
};

/// The name of the speaker the paragraph holding `block` starts with; none when it does
/// not start like a transcript line.
std::optional<NameSpan> speakerOf(const QTextBlock &block);

/// Whether `name` can stand before ": " and still be read back as the speaker.
bool isValidName(const QString &name);

/// Replaces `from` with `to` as the speaker of every paragraph of `document` that starts
/// with it, through one cursor (the caller gives the edit its undo step). Returns how
/// many paragraphs changed.
int rename(QTextDocument &document, const QString &from, const QString &to);

} // namespace telvora::SpeakerNames
