#include "Telvora/Interface/Sheets/SheetPresenter.h"

#include "Telvora/Interface/Sheets/SettingsView.h"
#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"

#include <QDialog>

namespace telvora {

SheetPresenter::SheetPresenter(QWidget *window, Factory factory)
    : QObject(window)
    , m_window(window)
    , m_factory(std::move(factory))
{}

SheetPresenter *SheetPresenter::forSettings(QWidget *window, Workflows &workflows,
                                            std::function<bool()> engineAvailable)
{
    return new SheetPresenter(window, [&workflows, engineAvailable](QWidget *parent) {
        return new SettingsView(workflows, engineAvailable, parent);
    });
}

SheetPresenter *SheetPresenter::forTranscriptionOptions(QWidget *window, Workflows &workflows)
{
    return new SheetPresenter(
        window, [&workflows](QWidget *parent) { return new TranscriptionOptionsView(workflows, parent); });
}

void SheetPresenter::present()
{
    if (m_sheet)
        return;
    m_sheet = m_factory(m_window);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet->setWindowModality(Qt::WindowModal);
    // A closed sheet is deleted later; a request meanwhile must build a new one.
    connect(m_sheet, &QDialog::finished, this, [this] { m_sheet.clear(); });
    m_sheet->open();
}

} // namespace telvora
