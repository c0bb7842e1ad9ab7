#include "Telvora/Interface/Console/ConsoleElements.h"

#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Console/ConsoleSkin.h"
#include "Telvora/Interface/Console/ConsoleStyle.h"
#include "Telvora/Interface/Console/ConsoleTexts.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QTextLayout>
#include <QWindow>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr qreal disabledOpacity = 0.4;

void prepare(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A row of a text and a lamp, or a lamp and a text, centred in `frame`.
void paintLampRow(QPainter &painter, const QRectF &frame, const QString &text, const QFont &font, qreal lampSize,
                  qreal spacing, bool on, bool lampFirst)
{
    const qreal pixelScale = std::abs(painter.deviceTransform().m11());
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
    const qreal rowWidth = textWidth + spacing + lampSize;
    qreal x = frame.left() + (frame.width() - rowWidth) / 2;
    const QRectF lamp(lampFirst ? x : x + textWidth + spacing, frame.center().y() - lampSize / 2, lampSize, lampSize);
    const QRectF label(lampFirst ? x + lampSize + spacing : x, frame.top(), textWidth, frame.height());
    painter.drawImage(lamp, ConsoleSkin::sprite(on ? u"onLamp" : u"offSwitch", pixelScale));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextDontClip, text);
}

} // namespace

LampSwitch::LampSwitch(const QRectF &frame, const QString &title, int labelSize, QWidget *parent)
    : QAbstractButton(parent)
    , CanvasElement(frame)
    , m_labelSize(labelSize)
{
    setText(title);
    setAccessibleName(title);
    setAccessibleDescription(ConsoleTexts::switchOff.toString());
    setFocusPolicy(Qt::TabFocus);
}

void LampSwitch::setValue(bool on)
{
    if (m_on == on)
        return;
    m_on = on;
    setAccessibleDescription((on ? ConsoleTexts::switchOn : ConsoleTexts::switchOff).toString());
    update();
}

void LampSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    prepare(painter);
    useCanvasUnits(painter);
    painter.drawImage(localFrame(), ConsoleSkin::sprite(u"display", std::abs(painter.deviceTransform().m11())));
    painter.setOpacity(isEnabled() ? 1 : disabledOpacity);
    paintLampRow(painter, localFrame(), text(), ConsoleFonts::regular(m_labelSize), ConsoleLayout::switchLampSize,
                 ConsoleLayout::switchSpacing, m_on, false);
}

ProviderButton::ProviderButton(const QRectF &frame, const QString &title, QWidget *parent)
    : QAbstractButton(parent)
    , CanvasElement(frame)
{
    setText(title);
    setAccessibleName(title);
    setFocusPolicy(Qt::TabFocus);
}

void ProviderButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    setAccessibleDescription(selected ? ConsoleTexts::providerSelected.toString() : QString());
    update();
}

void ProviderButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    prepare(painter);
    useCanvasUnits(painter);
    painter.setOpacity(isEnabled() ? 1 : disabledOpacity);
    paintLampRow(painter, localFrame(), text(), ConsoleFonts::regular(ConsoleStyle::providerCaptionSize),
                 ConsoleLayout::providerLampSize, ConsoleLayout::providerSpacing, m_selected, true);
}

ConsoleMenuButton::ConsoleMenuButton(const QRectF &frame, Qt::Alignment alignment, bool overDisplay, QWidget *parent)
    : QAbstractButton(parent)
    , CanvasElement(frame)
    , m_alignment(alignment)
    , m_overDisplay(overDisplay)
    , m_menu(this)
{
    setFocusPolicy(Qt::TabFocus);
    m_menu.setPalette(ConsoleStyle::menuPalette());
    m_menu.setStyleSheet(ConsoleStyle::menuStyleSheet.toString());
    connect(this, &QAbstractButton::clicked, this, [this] { preparedMenu().popup(mapToGlobal(QPoint(0, height()))); });
}

void ConsoleMenuButton::setCaption(const QString &caption)
{
    if (caption == text())
        return;
    setText(caption);
    setAccessibleName(caption);
    update();
}

QMenu &ConsoleMenuButton::preparedMenu()
{
    m_menu.clear();
    if (populate)
        populate(m_menu);
    return m_menu;
}

void ConsoleMenuButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    prepare(painter);
    useCanvasUnits(painter);
    if (m_overDisplay)
        painter.drawImage(localFrame(), ConsoleSkin::sprite(u"display", std::abs(painter.deviceTransform().m11())));
    painter.setOpacity(isEnabled() ? 1 : disabledOpacity);
    painter.setFont(ConsoleFonts::regular(ConsoleStyle::menuCaptionSize));
    painter.setPen(Qt::white);
    painter.drawText(localFrame(), m_alignment | Qt::AlignVCenter, text());
}

DragStrip::DragStrip(const QRectF &frame, QWidget *parent)
    : QWidget(parent)
    , CanvasElement(frame)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void DragStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    // A first click on an inactive window both activates it and starts the drag.
    window()->activateWindow();
    window()->raise();
    QWindow *handle = window()->windowHandle();
    // The window system moves the window where it can; elsewhere the strip follows the pointer.
    if (handle && handle->startSystemMove()) {
        m_grab.reset();
    } else {
        m_grab = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
    }
    event->accept();
}

void DragStrip::mouseMoveEvent(QMouseEvent *event)
{
    if (m_grab && (event->buttons() & Qt::LeftButton))
        window()->move(event->globalPosition().toPoint() - *m_grab);
}

void DragStrip::mouseReleaseEvent(QMouseEvent *) { m_grab.reset(); }

SourceDisplay::SourceDisplay(const QRectF &frame, QWidget *parent)
    : QWidget(parent)
    , CanvasElement(frame)
{}

void SourceDisplay::setLines(const QString &name, const QString &info)
{
    if (name == m_name && info == m_info)
        return;
    m_name = name;
    m_info = info;
    setAccessibleName(name);
    setAccessibleDescription(info);
    update();
}

QString SourceDisplay::shownName() const
{
    return QFontMetricsF(ConsoleFonts::mono(ConsoleStyle::sourceNameSize))
        .elidedText(m_name, Qt::ElideMiddle, canvasFrame().width());
}

void SourceDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    prepare(painter);
    useCanvasUnits(painter);
    const QFont nameFont = ConsoleFonts::mono(ConsoleStyle::sourceNameSize);
    const QFont infoFont = ConsoleFonts::mono(ConsoleStyle::sourceInfoSize);
    const qreal nameHeight = QFontMetricsF(nameFont).height();
    const qreal infoHeight = QFontMetricsF(infoFont).height();
    const qreal top = (canvasFrame().height() - nameHeight - ConsoleLayout::sourceLineSpacing - infoHeight) / 2;
    painter.setFont(nameFont);
    painter.setPen(ConsoleStyle::displayText);
    painter.drawText(QRectF(0, top, canvasFrame().width(), nameHeight), Qt::AlignLeft | Qt::AlignVCenter, shownName());
    painter.setFont(infoFont);
    painter.setPen(ConsoleStyle::displaySecondLine);
    painter.drawText(QRectF(0, top + nameHeight + ConsoleLayout::sourceLineSpacing, canvasFrame().width(), infoHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, m_info);
}

TextDisplay::TextDisplay(const QRectF &frame, const QFont &font, const QColor &colour, int maximumLines,
                         bool topAnchored, QWidget *parent)
    : QWidget(parent)
    , CanvasElement(frame)
    , m_font(font)
    , m_colour(colour)
    , m_maximumLines(maximumLines)
    , m_topAnchored(topAnchored)
{}

void TextDisplay::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    update();
}

QStringList TextDisplay::shownLines() const
{
    QStringList lines;
    const QFontMetricsF metrics(m_font);
    const QStringList paragraphs = m_text.split(u'\n');
    for (qsizetype p = 0; p < paragraphs.size() && lines.size() <= m_maximumLines; ++p) {
        const QString &paragraph = paragraphs[p];
        if (paragraph.isEmpty()) {
            lines.append(QString());
            continue;
        }
        QTextLayout layout(paragraph, m_font);
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(canvasFrame().width());
            lines.append(paragraph.mid(line.textStart(), line.textLength()));
            if (lines.size() > m_maximumLines)
                break;
        }
        layout.endLayout();
    }
    if (lines.size() > m_maximumLines) {
        // What does not fit ends the last shown line with an ellipsis.
        lines.resize(m_maximumLines);
        lines.last() = metrics.elidedText(lines.last().trimmed() + u"…"_s, Qt::ElideRight, canvasFrame().width());
    }
    return lines;
}

void TextDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    prepare(painter);
    useCanvasUnits(painter);
    painter.setFont(m_font);
    painter.setPen(m_colour);
    const QStringList lines = shownLines();
    const qreal lineHeight = QFontMetricsF(m_font).lineSpacing();
    qreal y = m_topAnchored ? 0 : (canvasFrame().height() - lineHeight * lines.size()) / 2;
    for (const QString &line : lines) {
        painter.drawText(QRectF(0, y, canvasFrame().width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += lineHeight;
    }
}

} // namespace telvora
