#include "Telvora/Interface/Sheets/SheetPresenter.h"

#include "Telvora/Interface/Sheets/SettingsView.h"
#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"
#include "Telvora/Session/Session.h"

#include <QDialog>

namespace telvora {

SheetPresenter::SheetPresenter(QWidget *window, Session &session, Getter shown, Setter setShown, Changed shownChanged,
                               Factory factory)
    : QObject(window)
    , m_window(window)
    , m_hide([&session, setShown] { (session.*setShown)(false); })
    , m_factory(std::move(factory))
{
    connect(&session, shownChanged, this, &SheetPresenter::follow);
    if ((session.*shown)())
        follow(true);
}

SheetPresenter *SheetPresenter::presentSettings(QWidget *window, Session &session,
                                                std::function<bool()> engineAvailable)
{
    return new SheetPresenter(
        window, session, &Session::showSettings, &Session::setShowSettings, &Session::showSettingsChanged,
        [&session, engineAvailable](QWidget *parent) { return new SettingsView(session, engineAvailable, parent); });
}

SheetPresenter *SheetPresenter::presentTranscriptionOptions(QWidget *window, Session &session)
{
    return new SheetPresenter(window, session, &Session::showTranscriptionOptions,
                              &Session::setShowTranscriptionOptions, &Session::showTranscriptionOptionsChanged,
                              [&session](QWidget *parent) { return new TranscriptionOptionsView(session, parent); });
}

void SheetPresenter::follow(bool shown)
{
    if (!shown) {
        if (m_sheet)
            m_sheet->reject();
        return;
    }
    if (m_sheet)
        return;
    m_sheet = m_factory(m_window);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet->setWindowModality(Qt::WindowModal);
    connect(m_sheet, &QDialog::finished, this, &SheetPresenter::sheetFinished);
    m_sheet->open();
}

void SheetPresenter::sheetFinished()
{
    m_sheet.clear();
    m_hide();
}

} // namespace telvora
