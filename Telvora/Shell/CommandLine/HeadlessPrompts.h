#pragma once

#include "Telvora/Session/UserPrompts.h"

namespace telvora {

/// The prompts of a run without a user at a window: every question goes unanswered and
/// nothing is handed to the desktop. The command line never takes a path in which a
/// workflow would ask.
class HeadlessPrompts : public UserPrompts
{
public:
    std::optional<qsizetype> ask(const Alert &) override { return std::nullopt; }
    std::optional<QString> chooseFileToOpen(const OpenDialog &) override { return std::nullopt; }
    std::optional<QString> chooseSaveLocation(const SaveDialog &) override { return std::nullopt; }
    std::optional<QString> askText(const TextQuestion &) override { return std::nullopt; }
    bool openInDefaultApplication(const QString &) override { return false; }
};

} // namespace telvora
