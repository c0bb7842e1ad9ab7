#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

/// The text styles and colours of the sheets. Sizes are device-independent pixels, the
/// unit every size of the interface is given in.
namespace telvora::SheetStyle {

enum class TextStyle { title2, body, callout, caption };

QFont font(TextStyle style, bool bold = false);

/// Dimmed text: notes, captions, the introduction.
QColor secondary();
/// The save failure line.
QColor failure();

/// A label in `style`, wrapping its lines; `secondary` dims it.
QLabel *label(const QString &text, TextStyle style, bool secondary = false, QWidget *parent = nullptr);
/// A note of a form: caption style, dimmed, wrapping.
QLabel *note(const QString &text, QWidget *parent = nullptr);

/// The light palette the sheets always use, whatever the desktop's scheme.
void applyLightScheme(QWidget *widget);

/// Rounded fields and buttons, an accented default button and thin scroll bars without
/// arrows, for a window and everything in it.
QString controlStyleSheet();

/// Width of the labels to the left of a form's fields, so that fields line up.
inline constexpr int labelWidth = 190;

} // namespace telvora::SheetStyle
