#pragma once

#include "Telvora/Session/Job.h"
#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include <QCoroTask>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QUrl>

#include <memory>
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
    /// Asks for a file and opens it; the task ends as importFile's does.
    QCoro::Task<> openFile();
    /// Opens `url`, busy and "Abrindo…" while a text is read and decoded off the GUI thread;
    /// what was open stays until the new file was read. An open still reading gives way to a
    /// later one. Asks nothing: callers that must not replace the texts ask
    /// confirmReplacement first. The task ends once the file is open, refused or cancelled.
    QCoro::Task<> importFile(const QUrl &url);
    /// Stops an open that is still reading; it ends as "Cancelado".
    void cancel() const { m_opening.cancel(); }
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
        // The recording found beside a transcript, to resume it with.
        std::optional<QString> recording;
    };
    static OpenedText readSourceFile(const QString &path, const QString &extension, bool timecodes);
    static QCoro::Task<OpenedText> readOffThread(const QString &path, bool timecodes);
    QCoro::Task<> open(QUrl url, CancellationToken token, std::shared_ptr<QPromise<void>> ended);
    void apply(const QUrl &url, const OpenedText &opened, bool isText);
    void dropAudio();

    Session &m_session;
    UserPrompts &m_prompts;
    Playback &m_playback;
    NarrationWorkflow &m_narration;
    Job m_opening;
    bool m_openingOwnsBusy = false;
};

} // namespace telvora
