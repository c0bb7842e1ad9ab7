#pragma once

#include "Telvora/Interface/Reader/BlockHeights.h"

#include <QAbstractTextDocumentLayout>
#include <QBasicTimer>
#include <QMarginsF>

class QTextLayout;

namespace telvora {

/// A document layout for long texts made of paragraphs only, one block after another in the
/// root frame (no tables, lists, floating frames or images), laid out as Qt's own layout
/// does. It keeps every block's height, so an edit lays out only the blocks it touched and
/// moves those after them by a sum. The blocks shown are laid out when drawn or asked for;
/// the others in short slices between events, counting meanwhile with an estimated height,
/// so a book opens, types and resizes without freezing the window.
class LazyDocumentLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
    Q_PROPERTY(int cursorWidth READ cursorWidth WRITE setCursorWidth)
public:
    explicit LazyDocumentLayout(QTextDocument *document);

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override;
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    QRectF blockBoundingRect(const QTextBlock &block) const override;

    int cursorWidth() const { return m_cursorWidth; }
    void setCursorWidth(int width) { m_cursorWidth = width; }

    /// Whether every block is laid out at the current width, so the sizes are exact.
    bool isComplete() const { return m_heights.isComplete(); }
    /// Lays out every block that is not laid out yet, at once.
    void complete();

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;
    void timerEvent(QTimerEvent *event) override;

private:
    bool canLayOut() const;
    void readFrame();
    qreal scale() const;
    qreal gapBefore(const QTextBlock &block, const QTextBlockFormat &format) const;
    /// Lays out the block's lines; returns its height with the gap before it.
    qreal layOut(const QTextBlock &block) const;
    /// The block's layout, laid out and moved to where the block starts now.
    QTextLayout *place(const QTextBlock &block, qsizetype index) const;
    void drawBlock(QPainter *painter, const PaintContext &context, const QTextBlock &block, const QRectF &clip) const;
    /// Fills the lines of `layout`, and the spacing between them, across the text column.
    void fillParagraph(QPainter *painter, const QTextLayout &layout, const QBrush &brush) const;
    int hitInBlock(const QTextBlock &block, QPointF point, Qt::HitTestAccuracy accuracy, bool *exact) const;
    /// Lays out the blocks from `first` to `last` (both included) that need it.
    void layOutRange(qsizetype first, qsizetype last);
    bool layOutSlice();
    void reportSize();
    void scheduleSizeReport() const;

    mutable BlockHeights m_heights;
    QMarginsF m_insets;       // from the frame's edges to the text column
    QMarginsF m_frameMargins; // the root frame's margins alone, which clip the drawing
    qreal m_width = -1;       // of the text column
    mutable qreal m_widest = 0;
    int m_cursorWidth = 1;
    qsizetype m_scan = 0; // where the background layout goes on
    QSizeF m_reportedSize;
    QBasicTimer m_slices;
    mutable QBasicTimer m_sizeReport;
};

} // namespace telvora
