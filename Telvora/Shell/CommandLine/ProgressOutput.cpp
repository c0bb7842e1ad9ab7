#include "Telvora/Shell/CommandLine/ProgressOutput.h"

#include "Telvora/Shell/CommandLine/PlainProgress.h"
#include "Telvora/Shell/CommandLine/TerminalProgress.h"

#include <QFileInfo>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

std::unique_ptr<ProgressOutput> ProgressOutput::forStream(FILE *stream)
{
    if (::isatty(::fileno(stream)))
        return std::make_unique<TerminalProgress>(stream);
    return std::make_unique<PlainProgress>(stream);
}

ProgressOutput::ProgressOutput(FILE *stream)
    : m_stream(stream)
{}

QString ProgressOutput::fileLabel() const
{
    return u"[%1/%2] %3"_s.arg(m_position.index + 1).arg(m_position.count).arg(QFileInfo(m_position.file).fileName());
}

QString ProgressOutput::outcomeLine(const FileOutcome &outcome) const
{
    QString text = fileLabel() + u": "_s + outcome.resultWord();
    if (outcome.result == FileOutcome::Result::done && !outcome.outputs.isEmpty())
        text += u" → "_s + outcome.outputs.join(u", "_s);
    if (outcome.result == FileOutcome::Result::failed)
        text += u": "_s + outcome.error;
    return text;
}

void ProgressOutput::write(const QString &text) const
{
    std::fputs(text.toUtf8().constData(), m_stream);
    std::fflush(m_stream);
}

} // namespace telvora
