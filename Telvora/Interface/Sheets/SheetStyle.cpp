#include "Telvora/Interface/Sheets/SheetStyle.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

namespace telvora::SheetStyle {

namespace {

struct StyleSize
{
    TextStyle style;
    int pixels;
};

constexpr StyleSize sizes[]{
    {TextStyle::title2, 18},
    {TextStyle::body, 13},
    {TextStyle::callout, 13},
    {TextStyle::caption, 11},
};

} // namespace

QFont font(TextStyle style, bool bold)
{
    QFont result = QApplication::font();
    for (const StyleSize &size : sizes) {
        if (size.style == style)
            result.setPixelSize(size.pixels);
    }
    result.setBold(bold);
    return result;
}

QString controlStyleSheet()
{
    return QStringLiteral(
        "QPushButton { background: #ffffff; color: #1a1a1a; border: 1px solid rgba(0,0,0,0.2);"
        "  border-radius: 6px; padding: 3px 12px; min-height: 18px; }"
        "QPushButton:hover { background: #f5f5f5; }"
        "QPushButton:pressed { background: #e4e4e4; }"
        "QPushButton:disabled { color: rgba(0,0,0,0.3); background: #fafafa; border-color: rgba(0,0,0,0.1); }"
        "QPushButton:default { background: #3378f5; color: #ffffff; border-color: #2b69d9; }"
        "QPushButton:default:pressed { background: #2b63cc; }"
        "QPushButton:default:disabled { background: #a9c4f5; color: rgba(255,255,255,0.85); }"
        "QPushButton[pickList=\"true\"] { padding-right: 22px; }"
        "QPushButton::menu-indicator { subcontrol-origin: padding; subcontrol-position: center right; right: 8px; }"
        "QLineEdit { background: #ffffff; color: #1a1a1a; border: 1px solid rgba(0,0,0,0.2);"
        "  border-radius: 5px; padding: 3px 6px; selection-background-color: #3378f5; }"
        "QLineEdit:focus { border: 1px solid #3378f5; }"
        "QLineEdit:disabled { color: rgba(0,0,0,0.35); background: #f6f6f6; }"
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(0,0,0,0.2); border-radius: 3px; min-height: 32px;"
        "  margin: 2px; }"
        "QScrollBar::handle:vertical:hover { background: rgba(0,0,0,0.35); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }");
}

QColor secondary() { return QColor::fromRgbF(0, 0, 0, 0.55f); }

QColor failure() { return QColor::fromRgbF(0.82f, 0.12f, 0.1f); }

QLabel *label(const QString &text, TextStyle style, bool dimmed, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setFont(font(style));
    result->setWordWrap(true);
    result->setTextFormat(Qt::PlainText);
    if (dimmed) {
        QPalette palette = result->palette();
        palette.setColor(QPalette::WindowText, secondary());
        result->setPalette(palette);
    }
    return result;
}

QLabel *note(const QString &text, QWidget *parent) { return label(text, TextStyle::caption, true, parent); }

void applyLightScheme(QWidget *widget)
{
    QPalette palette = widget->style()->standardPalette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.95f, 0.95f, 0.95f));
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    palette.setColor(QPalette::PlaceholderText, QColor::fromRgbF(0, 0, 0, 0.4f));
    widget->setPalette(palette);
    widget->setStyleSheet(controlStyleSheet());
}

} // namespace telvora::SheetStyle
