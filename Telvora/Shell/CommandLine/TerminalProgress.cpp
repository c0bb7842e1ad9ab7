#include "Telvora/Shell/CommandLine/TerminalProgress.h"

#include "Telvora/Interface/Console/StatusLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr int barWidth = 20;
constexpr int fallbackColumns = 80;
// Back to the start of the line, and everything after the cursor erased.
const auto lineStart = u"\r"_s;
const auto eraseRest = u"\x1b[K"_s;

QString bar(double fraction)
{
    const int filled = std::clamp(int(std::floor(fraction * barWidth)), 0, barWidth);
    return QString(filled, u'█') + QString(barWidth - filled, u'░');
}

} // namespace

QString TerminalProgress::barLine(const QString &head, std::optional<double> fraction,
                                  std::optional<double> secondsLeft, int columns)
{
    QString tail;
    if (fraction)
        tail = u' ' + bar(*fraction) + u' ' + StatusLine::progressText({{}, *fraction, secondsLeft});
    // The last column stays free: writing into it wraps some terminals onto a new line.
    const qsizetype room = std::max(0, columns - 1);
    if (head.size() + tail.size() <= room)
        return head + tail;
    const qsizetype headRoom = room - tail.size() - 1;
    if (headRoom > 0)
        return head.left(headRoom) + u'…' + tail;
    return QString(head + tail).left(room);
}

void TerminalProgress::started(const Position &position)
{
    m_position = position;
    m_step.clear();
    m_fraction.reset();
    m_secondsLeft.reset();
    redraw();
}

void TerminalProgress::step(const QString &text)
{
    m_step = text;
    m_fraction.reset();
    m_secondsLeft.reset();
    redraw();
}

void TerminalProgress::advanced(double fraction, std::optional<double> secondsLeft)
{
    m_fraction = fraction;
    m_secondsLeft = secondsLeft;
    redraw();
}

void TerminalProgress::finished(const FileOutcome &outcome)
{
    write(lineStart + outcomeLine(outcome) + eraseRest + u'\n');
    m_shown.clear();
}

void TerminalProgress::line(const QString &text) { write(text + u'\n'); }

void TerminalProgress::redraw()
{
    QString head = fileLabel();
    if (!m_step.isEmpty())
        head += u" · "_s + m_step;
    const QString shown = barLine(head, m_fraction, m_secondsLeft, columns());
    if (shown == m_shown)
        return;
    m_shown = shown;
    write(lineStart + shown + eraseRest);
}

int TerminalProgress::columns() const
{
    winsize size{};
    if (::ioctl(::fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return fallbackColumns;
}

} // namespace telvora
