#pragma once

#include "Telvora/Interface/Console/CanvasElement.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPoint>

#include <functional>
#include <optional>

namespace telvora {

/// A lamp switch: its title in white and a lamp (on or off) over a display-glass background.
class LampSwitch : public QAbstractButton, public CanvasElement
{
    Q_OBJECT

public:
    LampSwitch(const QRectF &frame, const QString &title, int labelSize, QWidget *parent = nullptr);
    void setValue(bool on);
    bool value() const { return m_on; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_labelSize;
    bool m_on = false;
};

/// A provider button: a small lamp and the provider's name.
class ProviderButton : public QAbstractButton, public CanvasElement
{
    Q_OBJECT

public:
    ProviderButton(const QRectF &frame, const QString &title, QWidget *parent = nullptr);
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_selected = false;
};

/// A borderless menu button in white lettering; its menu is filled anew each time it opens.
class ConsoleMenuButton : public QAbstractButton, public CanvasElement
{
    Q_OBJECT

public:
    ConsoleMenuButton(const QRectF &frame, Qt::Alignment alignment, bool overDisplay, QWidget *parent = nullptr);
    void setCaption(const QString &caption);
    /// Fills the menu for its next opening.
    std::function<void(QMenu &)> populate;
    /// The menu as it would open now.
    QMenu &preparedMenu();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::Alignment m_alignment;
    bool m_overDisplay;
    QMenu m_menu;
};

/// The transparent strip along the top that moves the frameless window.
class DragStrip : public QWidget, public CanvasElement
{
    Q_OBJECT

public:
    explicit DragStrip(const QRectF &frame, QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    std::optional<QPoint> m_grab;
};

/// The source display: the source's name and its info line.
class SourceDisplay : public QWidget, public CanvasElement
{
    Q_OBJECT

public:
    explicit SourceDisplay(const QRectF &frame, QWidget *parent = nullptr);
    void setLines(const QString &name, const QString &info);
    /// The first line as shown, elided in the middle to fit.
    QString shownName() const;
    const QString &info() const { return m_info; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QString m_info;
};

/// A block of text on the panel, wrapped to its frame and cut to a number of lines.
class TextDisplay : public QWidget, public CanvasElement
{
    Q_OBJECT

public:
    TextDisplay(const QRectF &frame, const QFont &font, const QColor &colour, int maximumLines, bool topAnchored,
                QWidget *parent = nullptr);
    void setText(const QString &text);
    const QString &text() const { return m_text; }
    /// The lines as shown (at most the maximum; the last one elided when text remains).
    QStringList shownLines() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont m_font;
    QColor m_colour;
    int m_maximumLines;
    bool m_topAnchored;
    QString m_text;
};

} // namespace telvora
