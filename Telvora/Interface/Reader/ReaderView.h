#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace telvora {

class EditableDocument;
class Session;
class Workflows;

/// The reader window's content: a button bar, the text area showing the session's
/// reader text, and a footer with the source and the text's title and size (or the live
/// status while a workflow runs).
class ReaderView : public QWidget
{
    Q_OBJECT
public:
    explicit ReaderView(Workflows &workflows, QWidget *parent = nullptr);

    EditableDocument *document() const { return m_document; }
    QPushButton *toggleButton() const { return m_toggle; }
    QPushButton *copyButton() const { return m_copy; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *openElsewhereButton() const { return m_openElsewhere; }
    QLabel *footerSource() const { return m_footerSource; }
    QLabel *footerState() const { return m_footerState; }

    /// The number of user-perceived characters of `text`.
    static qsizetype characterCount(const QString &text);

private:
    QWidget *buttonBar();
    QWidget *footer();
    void toggleText();
    void copyText();
    void renderDocument();
    void renderButtons();
    void renderFooter();

    Workflows &m_workflows;
    const Session &m_session;
    EditableDocument *m_document = nullptr;
    QPushButton *m_toggle = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_openElsewhere = nullptr;
    QLabel *m_footerSource = nullptr;
    QLabel *m_footerState = nullptr;
};

} // namespace telvora
