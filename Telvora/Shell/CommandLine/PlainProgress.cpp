#include "Telvora/Shell/CommandLine/PlainProgress.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

void PlainProgress::started(const Position &position) { m_position = position; }

void PlainProgress::step(const QString &text) { line(fileLabel() + u": "_s + text); }

void PlainProgress::finished(const FileOutcome &outcome) { line(outcomeLine(outcome)); }

void PlainProgress::line(const QString &text) { write(text + u'\n'); }

} // namespace telvora
