#include "Telvora/Interface/Console/StatusDisplay.h"

#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleStyle.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace Style = ConsoleStyle;

namespace {

struct Wrapped
{
    QStringList lines;
    // Words left over: a word wider than a line stops the wrapping there.
    QStringList rest;
};

// Greedy word wrap at these metrics; never breaks a word.
Wrapped wrapWords(const QString &paragraph, const QFontMetricsF &metrics, qreal width)
{
    Wrapped wrapped;
    QStringList words = paragraph.split(u' ', Qt::SkipEmptyParts);
    QString line;
    while (!words.isEmpty()) {
        const QString &word = words.first();
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            words.removeFirst();
            continue;
        }
        if (line.isEmpty())
            break;
        wrapped.lines.append(line);
        line.clear();
    }
    if (!line.isEmpty())
        wrapped.lines.append(line);
    wrapped.rest = words;
    return wrapped;
}

bool isWord(const QString &token)
{
    return std::any_of(token.begin(), token.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// `line` ended with an ellipsis after its last whole word that leaves room for it, with no
// separator such as "·" dangling before it. When not even the first word takes one, that
// word alone: it still reads whole, and the tooltip has the rest.
QString withEllipsis(const QString &line, const QFontMetricsF &metrics, qreal width)
{
    const QString ellipsis = u"…"_s;
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    while (!words.isEmpty()) {
        while (!words.isEmpty() && !isWord(words.last()))
            words.removeLast();
        if (words.isEmpty())
            break;
        const QString kept = words.join(u' ');
        const QString ended = kept.endsWith(ellipsis) ? kept : kept + ellipsis;
        if (metrics.horizontalAdvance(ended) <= width)
            return ended;
        if (words.size() == 1 && metrics.horizontalAdvance(kept) <= width)
            return kept;
        words.removeLast();
    }
    // A single word wider than the display even at the smallest size: the only cut inside a word.
    return metrics.elidedText(line.section(u' ', 0, 0, QString::SectionSkipEmpty), Qt::ElideRight, width);
}

// The paragraph's lines at these metrics, at most `budget`; `complete` tells whether every
// word found a place.
QStringList fitParagraph(const QString &paragraph, const QFontMetricsF &metrics, qreal width, qsizetype budget,
                         bool &complete)
{
    Wrapped wrapped = wrapWords(paragraph, metrics, width);
    complete = wrapped.rest.isEmpty() && wrapped.lines.size() <= budget;
    if (complete)
        return wrapped.lines;
    if (wrapped.lines.isEmpty())
        return {withEllipsis(wrapped.rest.first(), metrics, width)};
    QStringList lines = wrapped.lines.mid(0, budget);
    lines.last() = withEllipsis(lines.last(), metrics, width);
    return lines;
}

} // namespace

StatusDisplay::StatusDisplay(const QRectF &frame, QWidget *parent)
    : QWidget(parent)
    , CanvasElement(frame)
{}

void StatusDisplay::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_fit = fit(text, canvasFrame().size());
    update();
}

StatusDisplay::Fit StatusDisplay::fit(const QString &text, QSizeF frame)
{
    const QStringList paragraphs = text.split(u'\n');
    const qsizetype budget = std::max<qsizetype>(Style::statusLines - (paragraphs.size() - 1), 1);
    // The largest size at which every word finds a place; at the smallest, what fits.
    Fit fitted;
    for (int size = Style::statusSize; size >= Style::statusMinimumSize; --size) {
        const QFontMetricsF metrics(ConsoleFonts::regular(size));
        fitted = Fit{size, {}};
        bool complete = true;
        for (qsizetype p = 0; p < paragraphs.size(); ++p) {
            bool whole = true;
            fitted.lines += fitParagraph(paragraphs[p], metrics, frame.width(), p == 0 ? budget : 1, whole);
            complete = complete && whole;
        }
        if (complete && fitted.lines.size() <= Style::statusLines
            && fitted.lines.size() * metrics.lineSpacing() <= frame.height())
            return fitted;
    }
    fitted.lines = fitted.lines.mid(0, Style::statusLines);
    return fitted;
}

void StatusDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    useCanvasUnits(painter);
    const QFont font = ConsoleFonts::regular(m_fit.size);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const qreal lineHeight = QFontMetricsF(font).lineSpacing();
    qreal y = (canvasFrame().height() - lineHeight * m_fit.lines.size()) / 2;
    for (const QString &line : m_fit.lines) {
        painter.drawText(QRectF(0, y, canvasFrame().width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += lineHeight;
    }
}

} // namespace telvora
