#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QDialog;
class QWidget;

namespace telvora {

class Workflows;

/// Shows a sheet window-modally over a window on request; a request while it is shown only
/// keeps it. Each showing builds a fresh sheet, so nothing of an earlier one survives.
class SheetPresenter : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<QDialog *(QWidget *window)>;

    /// Lives as long as `window`, which it belongs to.
    SheetPresenter(QWidget *window, Factory factory);

    /// The settings sheet; `engineAvailable` tells whether the local engine is installed.
    static SheetPresenter *forSettings(QWidget *window, Workflows &workflows, std::function<bool()> engineAvailable);
    static SheetPresenter *forTranscriptionOptions(QWidget *window, Workflows &workflows);

    void present();
    /// The sheet on screen, if any.
    QDialog *sheet() const { return m_sheet; }

private:
    QWidget *m_window;
    Factory m_factory;
    QPointer<QDialog> m_sheet;
};

} // namespace telvora
