#include "tests/support/ScriptedUserPrompts.h"

namespace telvora::test {

namespace {

template<typename T>
std::optional<T> next(QQueue<std::optional<T>> &answers)
{
    return answers.isEmpty() ? std::nullopt : answers.dequeue();
}

} // namespace

std::optional<qsizetype> ScriptedUserPrompts::ask(const Alert &alert)
{
    alertsShown.append(alert);
    return next(alertAnswers);
}

std::optional<QString> ScriptedUserPrompts::chooseFileToOpen(const OpenDialog &dialog)
{
    openDialogsShown.append(dialog);
    return next(openAnswers);
}

std::optional<QString> ScriptedUserPrompts::chooseSaveLocation(const SaveDialog &dialog)
{
    saveDialogsShown.append(dialog);
    return next(saveAnswers);
}

std::optional<QString> ScriptedUserPrompts::askText(const TextQuestion &question)
{
    textQuestionsShown.append(question);
    return next(textAnswers);
}

bool ScriptedUserPrompts::openInDefaultApplication(const QString &path)
{
    openedElsewhere.append(path);
    return hasOpener;
}

} // namespace telvora::test
