#include "Telvora/Interface/Reader/LazyDocumentLayout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTimerEvent>

#include <climits>
#include <cmath>

namespace telvora {

namespace {

// Qt lays text out in 26.6 fixed point; the same rounding keeps every line where Qt's own
// layout puts it.
qreal fixed(qreal value) { return std::round(value * 64) / 64; }

// The fixed-point division Qt uses, which truncates.
qreal fixedDivided(qreal value, int divisor) { return qreal(qint64(std::round(value * 64)) / divisor) / 64; }

constexpr int defaultDpi = 96;
constexpr int sliceMilliseconds = 4;
// An edit touching more blocks than this is laid out lazily, like a new document.
constexpr qsizetype eagerBlocks = 200;
const QRectF everything(0, 0, qreal(INT_MAX), qreal(INT_MAX));

struct LineMetrics
{
    qreal adjustment; // how far the line's glyphs sit above its place
    qreal height;     // what the line adds to the block
    qreal bottom;     // how far below its place the line ends
};

LineMetrics metricsOf(const QTextBlockFormat &format, const QTextLine &line, qreal scaling)
{
    const qreal raw = std::ceil(line.ascent() + line.descent() + line.leading());
    const qreal height = fixed(format.lineHeight(raw, scaling));
    const qreal bottom = fixed(format.lineHeight(line.height(), scaling));
    switch (format.lineHeightType()) {
    case QTextBlockFormat::FixedHeight:
        return {fixed(line.ascent() + std::max(line.leading(), qreal(0))) - fixedDivided(height * 4, 5), height,
                bottom};
    case QTextBlockFormat::MinimumHeight:
        return {fixed(line.height()) - height, height, bottom};
    default:
        return {0, height, bottom};
    }
}

} // namespace

LazyDocumentLayout::LazyDocumentLayout(QTextDocument *document)
    : QAbstractTextDocumentLayout(document)
{}

bool LazyDocumentLayout::canLayOut() const { return !document()->pageSize().isNull(); }

qreal LazyDocumentLayout::scale() const
{
    const QPaintDevice *device = paintDevice();
    return device && device->logicalDpiY() != defaultDpi ? qreal(device->logicalDpiY()) / defaultDpi : 1;
}

void LazyDocumentLayout::readFrame()
{
    const QTextFrameFormat format = document()->rootFrame()->frameFormat();
    const qreal edge = fixed(format.border()) + fixed(format.padding());
    m_frameMargins = QMarginsF(fixed(format.leftMargin()), fixed(format.topMargin()), fixed(format.rightMargin()),
                               fixed(format.bottomMargin()));
    m_insets = m_frameMargins + QMarginsF(edge, edge, edge, edge);
}

qreal LazyDocumentLayout::gapBefore(const QTextBlock &block, const QTextBlockFormat &format) const
{
    const QTextBlock previous = block.previous();
    if (!previous.isValid())
        return 0;
    qreal margin = std::max(format.topMargin(), previous.blockFormat().bottomMargin());
    if (margin > 0 && paintDevice())
        margin *= qreal(paintDevice()->logicalDpiY()) / defaultDpi;
    return fixed(margin);
}

qreal LazyDocumentLayout::layOut(const QTextBlock &block) const
{
    const QTextBlockFormat format = block.blockFormat();
    QTextLayout *layout = block.layout();
    const Qt::LayoutDirection direction = block.textDirection();
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    const Qt::Alignment alignment =
        format.hasProperty(QTextFormat::BlockAlignment) ? format.alignment() : option.alignment();
    option.setAlignment(QStyle::visualAlignment(direction, alignment));
    if (format.nonBreakableLines() || document()->pageSize().width() < 0)
        option.setWrapMode(QTextOption::ManualWrap);
    layout->setTextOption(option);
    const bool wrapsAnywhere = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;

    qreal extraMargin = 0;
    if (option.flags().testFlag(QTextOption::AddSpaceForLineAndParagraphSeparators))
        extraMargin = fixed(QFontMetricsF(block.charFormat().font()).horizontalAdvance(QChar(0x21B5)));
    const qreal indent = fixed(format.indent() * scale() * document()->indentWidth());
    const bool leftToRight = direction != Qt::RightToLeft;
    const qreal leftMargin = fixed(format.leftMargin()) + (leftToRight ? indent : extraMargin);
    const qreal rightMargin = fixed(format.rightMargin()) + (leftToRight ? extraMargin : indent);
    const qreal textIndent = fixed(format.textIndent());
    const qreal columnRight = std::max(m_width, qreal(0));

    qreal y = 0;
    qreal bottom = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        qreal left = leftMargin;
        qreal right = columnRight - rightMargin;
        if (line.lineNumber() == 0)
            (leftToRight ? left : right) += leftToRight ? textIndent : -textIndent;
        line.setLineWidth(right - left);
        // A word longer than the line is broken anywhere, as Qt's layout does.
        if (fixed(line.naturalTextWidth()) > right - left) {
            line.setLineWidth(right - left);
            if (fixed(line.naturalTextWidth()) > right - left) {
                if (wrapsAnywhere) {
                    option.setWrapMode(QTextOption::WrapAnywhere);
                    layout->setTextOption(option);
                }
                line.setLineWidth(std::max(line.naturalTextWidth(), right - left));
                if (wrapsAnywhere) {
                    option.setWrapMode(QTextOption::WordWrap);
                    layout->setTextOption(option);
                }
            }
        }
        const LineMetrics metrics = metricsOf(format, line, scale());
        line.setPosition(QPointF(left, y - metrics.adjustment));
        bottom = y + metrics.bottom;
        y += metrics.height;
        m_widest = std::max(m_widest, fixed(line.x() + line.naturalTextWidth()) + rightMargin);
    }
    layout->endLayout();
    return gapBefore(block, format) + std::max(y, bottom);
}

QTextLayout *LazyDocumentLayout::place(const QTextBlock &block, qsizetype index) const
{
    // Inside an edit block the document reports added or removed blocks only once the block
    // ends, so block numbers and heights disagree; until then a block asked for (to show the
    // caret on it) is laid out where its number stood, and the heights are left alone.
    const bool reported = document()->blockCount() == m_heights.size();
    if (!reported) {
        layOut(block);
    } else if (!m_heights.isExact(index)) {
        m_heights.setExact(index, layOut(block));
        scheduleSizeReport();
    }
    QTextLayout *layout = block.layout();
    const qreal top =
        m_insets.top() + m_heights.top(std::min(index, m_heights.size())) + gapBefore(block, block.blockFormat());
    layout->setPosition(QPointF(m_insets.left(), top));
    return layout;
}

void LazyDocumentLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    QTextDocument *document = this->document();
    const qreal oldTotal = m_heights.total();
    readFrame();
    const qsizetype count = document->blockCount();
    const bool everythingChanged = from == 0 && charsRemoved == 0 && charsAdded >= document->characterCount();
    const qreal width = document->pageSize().width() - m_insets.left() - m_insets.right();
    if (width != m_width) {
        m_width = width;
        m_widest = 0;
        m_heights.markAllStale();
    }
    QTextBlock first = document->findBlock(from);
    if (!first.isValid())
        first = document->lastBlock();
    QTextBlock last = document->findBlock(std::min(from + charsAdded, document->characterCount() - 1));
    if (!last.isValid())
        last = document->lastBlock();
    const qsizetype firstIndex = first.blockNumber();
    const qsizetype lastIndex = last.blockNumber();
    const qsizetype oldLast = lastIndex - (count - m_heights.size());
    if (everythingChanged && count == m_heights.size())
        m_heights.markAllStale();
    else if (firstIndex > m_heights.size() || oldLast < firstIndex - 1 || oldLast >= m_heights.size())
        m_heights.reset(count);
    else
        m_heights.replace(firstIndex, oldLast - firstIndex + 1, lastIndex - firstIndex + 1);
    // The gap before the next block follows this one's bottom margin.
    if (lastIndex + 1 < count)
        m_heights.markStale(lastIndex + 1);
    if (!canLayOut())
        return;
    QFontMetricsF metrics(document->defaultFont());
    m_heights.setFallback(fixed(metrics.lineSpacing()));

    QRectF changed = everything;
    if (lastIndex - firstIndex < eagerBlocks) {
        layOutRange(firstIndex, std::min(lastIndex + 1, count - 1));
        const qreal top = m_insets.top() + m_heights.top(firstIndex);
        // When the edit kept the height of the whole, what follows it stays where it was.
        const qreal bottom = m_heights.total() == oldTotal && m_heights.isComplete()
            ? m_insets.top() + m_heights.top(std::min(lastIndex + 2, count))
            : qreal(INT_MAX);
        changed = QRectF(0, top, qreal(INT_MAX), bottom - top);
    }
    if (!m_heights.isComplete())
        m_slices.start(0, this);
    reportSize();
    Q_EMIT update(changed);
}

void LazyDocumentLayout::layOutRange(qsizetype first, qsizetype last)
{
    QTextBlock block = document()->findBlockByNumber(int(first));
    for (qsizetype index = first; index <= last && block.isValid(); ++index, block = block.next()) {
        if (!m_heights.isExact(index))
            m_heights.setExact(index, layOut(block));
    }
}

void LazyDocumentLayout::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_slices.timerId()) {
        if (!layOutSlice())
            m_slices.stop();
    } else if (event->timerId() == m_sizeReport.timerId()) {
        m_sizeReport.stop();
        reportSize();
    } else {
        QAbstractTextDocumentLayout::timerEvent(event);
    }
}

bool LazyDocumentLayout::layOutSlice()
{
    if (!canLayOut())
        return false;
    qsizetype index = m_heights.nextInexact(m_scan);
    if (index == m_heights.size())
        index = m_heights.nextInexact(0);
    if (index == m_heights.size()) {
        m_scan = 0;
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    qsizetype moved = -1;
    QTextBlock block = document()->findBlockByNumber(int(index));
    for (; block.isValid() && clock.elapsed() < sliceMilliseconds; block = block.next(), ++index) {
        if (m_heights.isExact(index))
            continue;
        const qreal before = m_heights.height(index);
        m_heights.setExact(index, layOut(block));
        if (moved < 0 && m_heights.height(index) != before)
            moved = index;
    }
    m_scan = index;
    reportSize();
    if (moved >= 0)
        Q_EMIT update(QRectF(0, m_insets.top() + m_heights.top(moved), qreal(INT_MAX), qreal(INT_MAX)));
    return !m_heights.isComplete();
}

void LazyDocumentLayout::complete()
{
    if (!canLayOut())
        return;
    layOutRange(0, m_heights.size() - 1);
    m_slices.stop();
    reportSize();
    Q_EMIT update(everything);
}

void LazyDocumentLayout::scheduleSizeReport() const
{
    if (!m_sizeReport.isActive())
        m_sizeReport.start(0, const_cast<LazyDocumentLayout *>(this));
}

void LazyDocumentLayout::reportSize()
{
    const QSizeF size = documentSize();
    if (size == m_reportedSize)
        return;
    m_reportedSize = size;
    Q_EMIT documentSizeChanged(size);
}

QSizeF LazyDocumentLayout::documentSize() const
{
    if (!canLayOut())
        return {};
    const qreal width = std::max(std::max(m_width, qreal(0)), m_widest) + m_insets.left() + m_insets.right();
    return {width, m_insets.top() + m_heights.total() + m_insets.bottom()};
}

int LazyDocumentLayout::pageCount() const
{
    const qreal pageHeight = document()->pageSize().height();
    if (pageHeight <= 0)
        return 1;
    return int(std::ceil(documentSize().height() / pageHeight));
}

QRectF LazyDocumentLayout::frameBoundingRect(QTextFrame *frame) const
{
    if (!canLayOut() || frame != document()->rootFrame())
        return {};
    return QRectF(QPointF(0, 0), documentSize());
}

QRectF LazyDocumentLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (!canLayOut() || !block.isValid() || !block.isVisible() || block.document() != document())
        return {};
    const QTextLayout *layout = place(block, block.blockNumber());
    QRectF rect = layout->boundingRect();
    rect.moveTopLeft(layout->position());
    return rect;
}

void LazyDocumentLayout::draw(QPainter *painter, const PaintContext &context)
{
    if (!canLayOut() || m_heights.size() == 0)
        return;
    if (!context.clip.isValid())
        complete();
    const QSizeF size = documentSize();
    const QRectF column = QRectF(QPointF(0, 0), size).adjusted(m_frameMargins.left(), 0, -m_frameMargins.right(), 0);
    const QRectF clip = context.clip.isValid() ? context.clip & column : column;
    // A line may reach above its block, so drawing starts a block early.
    qsizetype index =
        context.clip.isValid() ? std::max<qsizetype>(0, m_heights.indexAt(context.clip.top() - m_insets.top()) - 1) : 0;
    for (QTextBlock block = document()->findBlockByNumber(int(index)); block.isValid(); block = block.next(), ++index) {
        const QTextLayout *layout = place(block, index);
        const QRectF bounds = layout->boundingRect().translated(layout->position());
        if (context.clip.isValid() && bounds.top() > context.clip.bottom())
            break;
        if (!context.clip.isValid() || bounds.bottom() >= context.clip.top())
            drawBlock(painter, context, block, clip);
    }
}

namespace {

// A full-width selection over a whole paragraph is one band: Qt's own drawing fills each
// line alone and leaves the line spacing between them bare.
constexpr QSizeF bandPadding{10, 4};
constexpr qreal bandRadius = 5;

bool coversParagraph(const QAbstractTextDocumentLayout::Selection &range, int from, int to, int length)
{
    return range.format.hasProperty(QTextFormat::FullWidthSelection) && from <= 0 && to >= length - 1;
}

} // namespace

void LazyDocumentLayout::fillParagraph(QPainter *painter, const QTextLayout &layout, const QBrush &brush) const
{
    if (brush == Qt::NoBrush || layout.lineCount() == 0)
        return;
    const QTextLine first = layout.lineAt(0);
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    const qreal left = layout.position().x();
    const qreal right = documentSize().width() - m_frameMargins.right();
    // A little room around the text, inside the page's margins, so the band reads as a card.
    const QRectF band =
        QRectF(left, layout.position().y() + first.y(), right - left, last.y() + last.height() - first.y())
            .adjusted(-bandPadding.width(), -bandPadding.height(), bandPadding.width(), bandPadding.height());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(brush);
    painter->drawRoundedRect(band, bandRadius, bandRadius);
    painter->restore();
}

void LazyDocumentLayout::drawBlock(QPainter *painter, const PaintContext &context, const QTextBlock &block,
                                   const QRectF &clip) const
{
    if (!block.isVisible())
        return;
    QTextLayout *layout = block.layout();
    const QBrush background = block.blockFormat().background();
    if (background != Qt::NoBrush)
        painter->fillRect(layout->boundingRect().translated(layout->position()), background);

    const int start = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection &range : context.selections) {
        const int from = range.cursor.selectionStart() - start;
        const int to = range.cursor.selectionEnd() - start;
        if (from < length && to > 0 && to > from) {
            if (coversParagraph(range, from, to, length)) {
                fillParagraph(painter, *layout, range.format.background());
                QTextCharFormat format = range.format;
                format.clearBackground();
                selections.append({from, to - from, format});
                continue;
            }
            selections.append({from, to - from, range.format});
        } else if (!range.cursor.hasSelection() && range.format.hasProperty(QTextFormat::FullWidthSelection)
                   && block.contains(range.cursor.position())) {
            // A full-width selection needs no selected text, only a position for its line.
            const QTextLine line = layout->lineForTextPosition(range.cursor.position() - start);
            QTextLayout::FormatRange whole{line.textStart(), line.textLength(), range.format};
            if (whole.start + whole.length == length - 1)
                ++whole.length;
            selections.append(whole);
        }
    }

    const QPen pen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    layout->draw(painter, QPointF(), selections, clip);
    const int cursor = context.cursorPosition;
    if (cursor >= start && cursor < start + length)
        layout->drawCursor(painter, QPointF(), cursor - start, m_cursorWidth);
    else if (cursor < -1 && !layout->preeditAreaText().isEmpty())
        layout->drawCursor(painter, QPointF(), layout->preeditAreaPosition() - (cursor + 2), m_cursorWidth);
    painter->setPen(pen);
}

int LazyDocumentLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    if (!canLayOut() || m_heights.size() == 0)
        return -1;
    const qsizetype index = m_heights.indexAt(point.y() - m_insets.top());
    const QTextBlock block = document()->findBlockByNumber(int(index));
    place(block, index);
    bool exact = false;
    const int position = hitInBlock(block, point, accuracy, &exact);
    if (accuracy == Qt::ExactHit && !exact)
        return -1;
    const QTextLayout *layout = block.layout();
    const int last = document()->rootFrame()->lastPosition() + int(layout->preeditAreaText().size());
    return std::clamp(position, 0, last);
}

// As Qt's layout answers: a point above a block's lines stands for the block's start, one
// below them for the start of the next block, one on a line for the nearest place in it.
int LazyDocumentLayout::hitInBlock(const QTextBlock &block, QPointF point, Qt::HitTestAccuracy accuracy,
                                   bool *exact) const
{
    const QTextLayout *layout = block.layout();
    const QRectF bounds = layout->boundingRect().translated(layout->position());
    if (point.y() < bounds.top())
        return block.position();
    if (point.y() > bounds.bottom())
        return block.position() + block.length();
    const QPointF inside = point - layout->position();
    int offset = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF rect = line.naturalTextRect();
        if (rect.top() > inside.y()) {
            offset = std::min(offset, line.textStart());
        } else if (rect.bottom() <= inside.y()) {
            offset = std::max(offset, line.textStart() + line.textLength());
        } else {
            *exact = rect.left() <= inside.x() && rect.right() >= inside.x();
            offset = line.xToCursor(inside.x(),
                                    accuracy == Qt::ExactHit ? QTextLine::CursorOnCharacter
                                                             : QTextLine::CursorBetweenCharacters);
            break;
        }
    }
    return block.position() + offset;
}

} // namespace telvora
