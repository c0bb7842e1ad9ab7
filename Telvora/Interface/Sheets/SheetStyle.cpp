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
}

} // namespace telvora::SheetStyle
