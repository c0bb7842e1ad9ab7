#pragma once

#include "Telvora/Session/UserPrompts.h"

#include <functional>

class QWidget;

namespace telvora {

/// The workflows' questions as modal Qt message boxes and file dialogs, placed over the
/// window that `parentWindow` answers at the moment of asking (none: application modal).
class QtUserPrompts : public UserPrompts
{
public:
    explicit QtUserPrompts(std::function<QWidget *()> parentWindow = {});

    std::optional<qsizetype> ask(const Alert &alert) override;
    std::optional<QString> chooseFileToOpen(const OpenDialog &dialog) override;
    std::optional<QString> chooseSaveLocation(const SaveDialog &dialog) override;
    std::optional<QString> askText(const TextQuestion &question) override;
    bool openInDefaultApplication(const QString &path) override;

    /// The name filters a dialog offers for `types`: one that accepts every type first
    /// (when there are several), then one per type.
    static QStringList nameFilters(const QList<FileType> &types);

    /// The save dialog's name after the user picks `filter`: `name` with the filter's first
    /// extension, unless the name already has one of the filter's extensions or has none.
    static QString nameForFilter(const QString &name, const QString &filter);

private:
    QWidget *parentWindow() const;

    std::function<QWidget *()> m_parentWindow;
};

} // namespace telvora
