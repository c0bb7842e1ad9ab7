#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace telvora {

/// The modal questions the workflows ask the user, and the hand-over of a file to the
/// desktop. Session reaches the windowing system only through this interface, so every
/// workflow also runs headless (a scripted implementation answers in tests).
class UserPrompts
{
public:
    /// Kinds of file a dialog offers, from the broadest to the most specific.
    enum class FileType { text, plainText, audio, movie, rtf, json, mp3, mpeg4Audio, odt, subRip, webVtt };

    struct Alert
    {
        QString message;
        QString informativeText;
        QStringList buttons; ///< The first is the default button.
    };

    struct OpenDialog
    {
        QString message;
        QList<FileType> allowedTypes;
    };

    struct SaveDialog
    {
        QList<FileType> allowedTypes;
        QString proposedName;
    };

    struct TextQuestion
    {
        QString message;
        QString label;
        QString proposedText;
    };

    virtual ~UserPrompts() = default;

    /// Shows the alert modally; the index of the chosen button, or none when it was
    /// dismissed in another way.
    virtual std::optional<qsizetype> ask(const Alert &alert) = 0;

    /// Runs the open dialog modally; the chosen local file, or none when cancelled.
    virtual std::optional<QString> chooseFileToOpen(const OpenDialog &dialog) = 0;

    /// Runs the save dialog modally; the chosen local file, or none when cancelled.
    virtual std::optional<QString> chooseSaveLocation(const SaveDialog &dialog) = 0;

    /// Asks for a line of text, modally; the text entered, or none when cancelled.
    virtual std::optional<QString> askText(const TextQuestion &question) = 0;

    /// Hands a file to the desktop's default application for its type; false when no
    /// application could be started for it.
    virtual bool openInDefaultApplication(const QString &path) = 0;
};

} // namespace telvora
