#pragma once

#include "Telvora/Session/UserPrompts.h"

#include <QQueue>

namespace telvora::test {

/// Answers the workflows' questions from queues filled by the test, and records every
/// question asked. An empty queue answers like a user who dismisses or cancels.
class ScriptedUserPrompts : public UserPrompts
{
public:
    QQueue<std::optional<qsizetype>> alertAnswers;
    QQueue<std::optional<QString>> openAnswers;
    QQueue<std::optional<QString>> saveAnswers;
    QQueue<std::optional<QString>> textAnswers;

    QList<Alert> alertsShown;
    QList<OpenDialog> openDialogsShown;
    QList<SaveDialog> saveDialogsShown;
    QList<TextQuestion> textQuestionsShown;
    QStringList openedElsewhere;
    /// Whether a desktop application takes the files handed to it.
    bool hasOpener = true;

    std::optional<qsizetype> ask(const Alert &alert) override;
    std::optional<QString> chooseFileToOpen(const OpenDialog &dialog) override;
    std::optional<QString> chooseSaveLocation(const SaveDialog &dialog) override;
    std::optional<QString> askText(const TextQuestion &question) override;
    bool openInDefaultApplication(const QString &path) override;
};

} // namespace telvora::test
