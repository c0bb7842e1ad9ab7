#include "Telvora/Interface/QtUserPrompts.h"

#include "Telvora/Session/FileTypes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

struct FileTypeLabel
{
    UserPrompts::FileType type;
    QStringView label;
};

constexpr FileTypeLabel fileTypeLabels[]{
    {UserPrompts::FileType::text, u"Textos"},
    {UserPrompts::FileType::plainText, u"Texto simples"},
    {UserPrompts::FileType::audio, u"Áudio"},
    {UserPrompts::FileType::movie, u"Vídeo"},
    {UserPrompts::FileType::rtf, u"RTF"},
    {UserPrompts::FileType::json, u"JSON"},
    {UserPrompts::FileType::mp3, u"Áudio MP3"},
    {UserPrompts::FileType::mpeg4Audio, u"Áudio MPEG-4"},
    {UserPrompts::FileType::odt, u"OpenDocument"},
    {UserPrompts::FileType::subRip, u"Legendas SubRip"},
    {UserPrompts::FileType::webVtt, u"Legendas WebVTT"},
};

constexpr QStringView everyTypeLabel = u"Arquivos compatíveis";

QStringView labelFor(UserPrompts::FileType type)
{
    for (const FileTypeLabel &entry : fileTypeLabels) {
        if (entry.type == type)
            return entry.label;
    }
    Q_UNREACHABLE();
}

QStringList patternsFor(UserPrompts::FileType type)
{
    QStringList patterns;
    for (const QString &extension : FileTypes::extensions(type))
        patterns.append(u"*."_s + extension);
    return patterns;
}

QString filterText(QStringView label, const QString &patterns) { return label.toString() + u" ("_s + patterns + u')'; }

std::optional<QString> firstLocalFile(const QFileDialog &dialog)
{
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return files.first();
}

} // namespace

QtUserPrompts::QtUserPrompts(std::function<QWidget *()> parentWindow)
    : m_parentWindow(std::move(parentWindow))
{}

QWidget *QtUserPrompts::parentWindow() const { return m_parentWindow ? m_parentWindow() : nullptr; }

QString QtUserPrompts::nameForFilter(const QString &name, const QString &filter)
{
    static const QRegularExpression pattern(u"\\*\\.(\\w+)"_s);
    QStringList extensions;
    for (const QRegularExpressionMatch &match : pattern.globalMatch(filter))
        extensions.append(match.captured(1));
    const QFileInfo file(name);
    if (extensions.isEmpty() || file.suffix().isEmpty() || extensions.contains(file.suffix().toLower()))
        return name;
    return file.completeBaseName() + u'.' + extensions.first();
}

QStringList QtUserPrompts::nameFilters(const QList<FileType> &types)
{
    QStringList filters;
    QStringList every;
    for (FileType type : types) {
        const QStringList patterns = patternsFor(type);
        filters.append(filterText(labelFor(type), patterns.join(u' ')));
        for (const QString &pattern : patterns) {
            if (!every.contains(pattern))
                every.append(pattern);
        }
    }
    if (types.size() > 1)
        filters.prepend(filterText(everyTypeLabel, every.join(u' ')));
    return filters;
}

std::optional<qsizetype> QtUserPrompts::ask(const Alert &alert)
{
    QMessageBox box(parentWindow());
    box.setIcon(QMessageBox::Warning);
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton *> buttons;
    for (const QString &title : alert.buttons)
        buttons.append(box.addButton(title, QMessageBox::ActionRole));
    if (!buttons.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    if (chosen < 0)
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtUserPrompts::chooseFileToOpen(const OpenDialog &request)
{
    QFileDialog dialog(parentWindow(), request.message);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters(request.allowedTypes));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return firstLocalFile(dialog);
}

std::optional<QString> QtUserPrompts::chooseSaveLocation(const SaveDialog &request)
{
    QFileDialog dialog(parentWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(request.allowedTypes));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(request.proposedName);
    // A name typed without extension gets the proposed one, as the chosen type's default.
    dialog.setDefaultSuffix(QFileInfo(request.proposedName).suffix());
    // Picking another type changes the typed name's extension to match, as users expect.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        const QStringList typed = dialog.selectedFiles();
        if (typed.isEmpty() || QFileInfo(typed.first()).isDir())
            return;
        const QString renamed = nameForFilter(QFileInfo(typed.first()).fileName(), filter);
        if (const QString suffix = QFileInfo(renamed).suffix(); !suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
        dialog.selectFile(renamed);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return firstLocalFile(dialog);
}

std::optional<QString> QtUserPrompts::askText(const TextQuestion &question)
{
    QInputDialog dialog(parentWindow());
    dialog.setWindowTitle(question.message);
    dialog.setLabelText(question.label);
    dialog.setTextValue(question.proposedText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

bool QtUserPrompts::openInDefaultApplication(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace telvora
