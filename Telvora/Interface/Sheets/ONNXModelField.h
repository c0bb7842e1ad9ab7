#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

namespace telvora {

/// A speaker-model row: the title, then the model file's path with "Arquivo…" to pick
/// one and "Padrão" to go back to the built-in model (an empty path).
class ONNXModelField : public QWidget
{
    Q_OBJECT
public:
    /// Runs the modal open dialog titled with the given text; none when cancelled.
    using FileChooser = std::function<std::optional<QString>(const QString &title)>;

    ONNXModelField(const QString &title, const QString &defaultName, FileChooser chooseFile, QWidget *parent = nullptr);

    QString path() const;
    /// Shows `value`; the caret stays where it is when the text is already that.
    void setPath(const QString &value);

    QLineEdit *field() const { return m_field; }
    QPushButton *fileButton() const { return m_fileButton; }
    QPushButton *defaultButton() const { return m_defaultButton; }

Q_SIGNALS:
    /// The user typed, picked a file or chose the built-in model.
    void pathEdited(const QString &value);

private:
    void chooseFile();
    void edit(const QString &value);
    void updateDefaultButton();

    QString m_title;
    FileChooser m_chooseFile;
    QLineEdit *m_field;
    QPushButton *m_fileButton;
    QPushButton *m_defaultButton;
};

} // namespace telvora
