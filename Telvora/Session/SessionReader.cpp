// The text the reader window shows, and taking it out of the program.

#include "Telvora/Session/Session.h"

#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/Document/RtfWriter.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Errors/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QString Session::readerText() const { return readerShowsSource() ? sourceText() : outputText(); }

void Session::setReaderText(const QString &text)
{
    if (readerShowsSource())
        setSourceText(text);
    else
        setOutputText(text);
}

QString Session::readerTitle() const
{
    return readerShowsSource() ? SessionTexts::originalTitle.toString() : generatedKind().title();
}

bool Session::readerIsCode() const { return !readerShowsSource() && generatedKind() == OutputKind::quintara; }

QString Session::exportFileName() const
{
    QString name = sourceName();
    name.replace(u'.', u'-');
    return name + u'-' + readerTitle().toLower() + (readerIsCode() ? u".md"_s : u".txt"_s);
}

void Session::exportText()
{
    const QString text = readerText();
    if (text.isEmpty())
        return;
    UserPrompts::SaveDialog dialog;
    dialog.allowedTypes = readerIsCode()
        ? QList<UserPrompts::FileType>{UserPrompts::FileType::plainText}
        : QList<UserPrompts::FileType>{UserPrompts::FileType::plainText, UserPrompts::FileType::rtf};
    dialog.proposedName = exportFileName();
    const std::optional<QString> path = m_prompts->chooseSaveLocation(dialog);
    if (!path || path->isEmpty())
        return;

    const bool rtf = QFileInfo(*path).suffix().toLower() == u"rtf";
    try {
        AtomicFile::write(*path, rtf ? RtfWriter::write(text) : text.toUtf8());
    } catch (...) {
        report(std::current_exception());
        return;
    }
    if (readerShowsSource())
        sourceBaseline = sourceText();
    else
        outputBaseline = outputText();
    setStatus(SessionTexts::exported.toString());
}

void Session::openElsewhere()
{
    const QString text = readerText();
    if (text.isEmpty())
        return;
    const QString name = u"Telvora-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
        + (readerIsCode() ? u".md"_s : u".txt"_s);
    const QString path = QDir(QDir::tempPath()).filePath(name);
    try {
        AtomicFile::write(path, text.toUtf8());
    } catch (...) {
        report(std::current_exception());
        return;
    }
    m_prompts->openInDefaultApplication(path);
}

} // namespace telvora
