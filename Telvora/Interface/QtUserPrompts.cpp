#include "Telvora/Interface/QtUserPrompts.h"

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

struct FileTypeFilter
{
    UserPrompts::FileType type;
    QStringView label;
    QStringView patterns;
};

// Linux has no content types behind a file dialog, so each kind is a list of the
// extensions the program knows for it.
constexpr FileTypeFilter fileTypeFilters[]{
    {UserPrompts::FileType::text, u"Textos", u"*.txt *.text *.md *.markdown *.srt *.vtt *.rtf *.json"},
    {UserPrompts::FileType::plainText, u"Texto simples", u"*.txt *.text *.md *.markdown"},
    {UserPrompts::FileType::audio, u"Áudio",
     u"*.mp3 *.m4a *.aac *.wav *.aif *.aiff *.flac *.ogg *.oga *.opus *.wma *.caf"},
    {UserPrompts::FileType::movie, u"Vídeo", u"*.mp4 *.m4v *.mov *.mkv *.webm *.avi *.mpg *.mpeg"},
    {UserPrompts::FileType::rtf, u"RTF", u"*.rtf"},
    {UserPrompts::FileType::json, u"JSON", u"*.json"},
    {UserPrompts::FileType::mp3, u"Áudio MP3", u"*.mp3"},
    {UserPrompts::FileType::mpeg4Audio, u"Áudio MPEG-4", u"*.m4a"},
    {UserPrompts::FileType::odt, u"OpenDocument", u"*.odt"},
    {UserPrompts::FileType::subRip, u"Legendas SubRip", u"*.srt"},
    {UserPrompts::FileType::webVtt, u"Legendas WebVTT", u"*.vtt"},
};

constexpr QStringView everyTypeLabel = u"Arquivos compatíveis";

const FileTypeFilter &filterFor(UserPrompts::FileType type)
{
    for (const FileTypeFilter &filter : fileTypeFilters) {
        if (filter.type == type)
            return filter;
    }
    Q_UNREACHABLE();
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
        const FileTypeFilter &filter = filterFor(type);
        filters.append(filterText(filter.label, filter.patterns.toString()));
        for (const QString &pattern : filter.patterns.toString().split(u' ')) {
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
