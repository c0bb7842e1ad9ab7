#pragma once

#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

namespace telvora {

class NarrationWorkflow;
class Playback;
class Session;
class UserPrompts;

/// What the console works on and what the reader shows: opening a chosen file, a given
/// file or the example, switching the reader between the texts, and taking the reader's
/// text out of the program.
class DocumentWorkflow : public QObject
{
    Q_OBJECT
public:
    DocumentWorkflow(Session &session, UserPrompts &prompts, Playback &playback, NarrationWorkflow &narration,
                     QObject *parent = nullptr);

    /// True for the files opened as text (plain text, Markdown, subtitles, transcripts,
    /// RTF); any other file is taken as a recording.
    static bool isTextFile(const QString &path);

    /// True when the texts may be replaced: not busy, and nothing unsaved or the user agreed.
    bool confirmReplacement();
    void openFile();
    void importFile(const QUrl &url);
    void loadExample();

    /// Shows the source (or the document) in the reader, and the reader itself.
    void showInReader(bool source);
    /// Tells that the reader's text went to the clipboard.
    void noteCopied();

    /// The name the save dialog proposes for the reader's text.
    QString exportFileName() const;
    /// The segments to export as subtitles or as a transcript to resume: while the reader shows a source made from a
    /// transcript whose paragraphs still match its segments, with the reader's corrections.
    std::optional<QList<TranscriptSegment>> subtitleSegments() const;
    void exportText();
    /// Writes the reader's text to a temporary file and hands it to the default application.
    void openElsewhere();

Q_SIGNALS:
    /// The reader has something new to show and should come forward.
    void documentReady();

private:
    struct OpenedText
    {
        QString text;
        qint64 speakers = 0;
        QList<TranscriptSegment> segments;
    };
    OpenedText readSourceFile(const QString &path, const QString &extension) const;
    static std::optional<QString> recordingOf(const QString &path, const OpenedText &opened);
    void dropAudio();

    Session &m_session;
    UserPrompts &m_prompts;
    Playback &m_playback;
    NarrationWorkflow &m_narration;
};

} // namespace telvora
