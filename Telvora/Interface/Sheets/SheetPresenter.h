#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QDialog;
class QWidget;

namespace telvora {

class Session;

/// Shows a sheet window-modally over a window while a session flag is true, and clears
/// the flag when the sheet closes by any way. Each showing builds a fresh sheet, so
/// nothing of an earlier one survives.
class SheetPresenter : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<QDialog *(QWidget *window)>;
    using Getter = bool (Session::*)() const;
    using Setter = void (Session::*)(bool);
    using Changed = void (Session::*)(bool);

    /// Lives as long as `window`, which it belongs to.
    SheetPresenter(QWidget *window, Session &session, Getter shown, Setter setShown, Changed shownChanged,
                   Factory factory);

    /// The settings sheet while `showSettings` is true.
    static SheetPresenter *presentSettings(QWidget *window, Session &session, std::function<bool()> engineAvailable);
    /// The transcription options sheet while `showTranscriptionOptions` is true.
    static SheetPresenter *presentTranscriptionOptions(QWidget *window, Session &session);

    /// The sheet on screen, if any.
    QDialog *sheet() const { return m_sheet; }

private:
    void follow(bool shown);
    void sheetFinished();

    QWidget *m_window;
    std::function<void()> m_hide;
    Factory m_factory;
    QPointer<QDialog> m_sheet;
};

} // namespace telvora
