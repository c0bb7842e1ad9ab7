#include "Telvora/Interface/Reader/ReaderView.h"

#include "Telvora/Interface/Console/StatusLine.h"
#include "Telvora/Interface/Reader/DocumentTextView.h"
#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/ReaderTexts.h"
#include "Telvora/Interface/Reader/SpeakerNames.h"
#include "Telvora/Interface/Reader/TranscriptFollower.h"
#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Session/UserPrompts.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Support/Characters.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>

namespace telvora {

namespace {

const QColor paper = QColor::fromRgbF(0.982f, 0.97f, 0.944f);
constexpr int barInsetX = 26;
constexpr int barInsetY = 17;
constexpr int barSpacing = 12;
constexpr int barFontSize = 12;
constexpr int footerInsetY = 9;
constexpr int footerFontSize = 10;
constexpr double rewindSeconds = 5;

QFont systemFont(int pixels)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    return font;
}

// The window always reads light, whatever the desktop's colour scheme.
QPalette lightPalette(const QStyle &style)
{
    QPalette palette = style.standardPalette();
    palette.setColor(QPalette::Window, paper);
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    palette.setColor(QPalette::ButtonText, QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    return palette;
}

} // namespace

ReaderView::ReaderView(Workflows &workflows, QWidget *parent)
    : QWidget(parent)
    , m_workflows(workflows)
    , m_session(workflows.session())
{
    const Session &session = m_session;
    setPalette(lightPalette(*style()));
    setAutoFillBackground(true);
    setStyleSheet(SheetStyle::controlStyleSheet());

    m_document =
        new EditableDocument([&workflows](const QString &text) { workflows.session().setReaderText(text); }, this);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buttonBar());
    column->addWidget(m_document, 1);
    column->addWidget(footer());

    connect(m_toggle, &QPushButton::clicked, this, &ReaderView::toggleText);
    connect(m_copy, &QPushButton::clicked, this, &ReaderView::copyText);
    DocumentWorkflow *document = &workflows.document();
    connect(m_export, &QPushButton::clicked, document, &DocumentWorkflow::exportText);
    connect(m_openElsewhere, &QPushButton::clicked, document, &DocumentWorkflow::openElsewhere);

    // The text area only re-renders for what it shows; the frequent status and meter
    // changes reach the footer alone.
    for (auto changed : {&Session::sourceTextChanged, &Session::outputTextChanged})
        connect(&session, changed, this, [this] {
            renderDocument();
            renderButtons();
            renderFooter();
        });
    connect(&session, &Session::readerShowsSourceChanged, this, [this] {
        renderDocument();
        renderButtons();
        renderFooter();
    });
    connect(&session, &Session::generatedKindChanged, this, [this] {
        renderDocument();
        renderFooter();
    });
    connect(&session, &Session::busyChanged, this, [this] {
        renderDocument();
        renderFooter();
    });
    for (auto changed : {&Session::statusChanged, &Session::sourceNameChanged})
        connect(&session, changed, this, &ReaderView::renderFooter);
    connect(&session, &Session::isExampleChanged, this, &ReaderView::renderFooter);
    connect(&session, &Session::transcriptionProgressChanged, this, &ReaderView::renderFooter);

    m_follower = new TranscriptFollower(*m_document->textView(), workflows.session(), workflows.playback(), this);
    connect(m_document, &EditableDocument::aboutToReplaceContents, m_follower, &TranscriptFollower::rememberParagraphs);
    connect(m_document, &EditableDocument::contentsReplaced, m_follower, &TranscriptFollower::reattach);
    connect(m_document, &EditableDocument::documentReplaced, m_follower, &TranscriptFollower::watchDocument);
    createActions();
    DocumentTextView *text = m_document->textView();
    text->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(text, &QWidget::customContextMenuRequested, this, [this, text](const QPoint &at) {
        // The menu's cut, paste and delete edit the document directly; a long text is whole first.
        text->prepareForInput();
        paragraphMenu(text->viewport()->mapFrom(text, at))->exec(text->mapToGlobal(at));
    });

    renderDocument();
    renderButtons();
    renderFooter();
    m_follower->reattach();
}

// The follower holds cursors into the text view's document: it goes before them.
ReaderView::~ReaderView() { delete m_follower; }

void ReaderView::createActions()
{
    const auto action = [this](QStringView title, const QKeySequence &key, auto triggered) {
        auto *result = new QAction(title.toString(), this);
        result->setShortcut(key);
        result->setShortcutContext(Qt::WindowShortcut);
        connect(result, &QAction::triggered, this, triggered);
        addAction(result);
        return result;
    };
    Playback &playback = m_workflows.playback();
    m_playPause =
        action(ReaderTexts::playPause, QKeySequence(Qt::CTRL | Qt::Key_P), [&playback] { playback.toggleSource(); });
    m_rewind = action(ReaderTexts::rewind, QKeySequence(Qt::CTRL | Qt::Key_R),
                      [&playback] { playback.rewindSource(rewindSeconds); });
    m_playParagraph = action(ReaderTexts::playParagraph, QKeySequence(Qt::CTRL | Qt::Key_J),
                             [this] { playParagraph(cursorBlock()); });
    m_renameSpeaker = action(ReaderTexts::renameSpeaker, QKeySequence(), [this] { renameSpeaker(cursorBlock()); });
}

QTextBlock ReaderView::cursorBlock() const { return m_document->textView()->textCursor().block(); }

std::unique_ptr<QMenu> ReaderView::paragraphMenu(const QPoint &position)
{
    QTextEdit *text = m_document->textView();
    std::unique_ptr<QMenu> menu(text->createStandardContextMenu(text->viewport()->mapTo(text, position)));
    const QTextBlock block = text->cursorForPosition(position).block();
    menu->addSeparator();
    QAction *play =
        menu->addAction(ReaderTexts::playParagraph.toString(), this, [this, block] { playParagraph(block); });
    play->setEnabled(m_session.hasSourcePlayer() && m_follower->segmentAt(block).has_value());
    QAction *rename =
        menu->addAction(ReaderTexts::renameSpeaker.toString(), this, [this, block] { renameSpeaker(block); });
    rename->setEnabled(!text->isReadOnly() && SpeakerNames::speakerOf(block).has_value());
    return menu;
}

void ReaderView::playParagraph(const QTextBlock &block)
{
    // Without a transcript of the recording there is no paragraph to play from, and nothing to say.
    if (!m_session.hasSourcePlayer() || !m_follower->hasSegments())
        return;
    if (!m_follower->playParagraph(block))
        m_workflows.session().setStatus(ReaderTexts::paragraphWithoutSegment.toString());
}

void ReaderView::renameSpeaker(const QTextBlock &block)
{
    DocumentTextView *text = m_document->textView();
    if (text->isReadOnly())
        return;
    Session &session = m_workflows.session();
    const std::optional<SpeakerNames::NameSpan> speaker = SpeakerNames::speakerOf(block);
    if (!speaker) {
        session.setStatus(ReaderTexts::noSpeakerHere.toString());
        return;
    }
    const UserPrompts::TextQuestion question{ReaderTexts::renameTitle.toString(),
                                             ReaderTexts::renameLabel.toString().arg(speaker->name), speaker->name};
    const std::optional<QString> answer = m_workflows.prompts().askText(question);
    if (!answer || answer->trimmed() == speaker->name)
        return;
    const QString name = answer->trimmed();
    if (!SpeakerNames::isValidName(name)) {
        session.setStatus(ReaderTexts::invalidSpeakerName.toString());
        return;
    }
    int renamed = 0;
    text->editAsOneStep([&] { renamed = SpeakerNames::rename(*text->document(), speaker->name, name); });
    session.setStatus(ReaderTexts::speakerRenamed.toString().arg(name).arg(renamed));
}

QWidget *ReaderView::buttonBar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(barInsetX, barInsetY, barInsetX, barInsetY);
    row->setSpacing(barSpacing);
    const QFont font = systemFont(barFontSize);
    const auto button = [&](QStringView title) {
        auto *result = new QPushButton(title.toString(), bar);
        result->setFont(font);
        return result;
    };
    m_toggle = button(ReaderTexts::showSource);
    m_copy = button(ReaderTexts::copy);
    m_export = button(ReaderTexts::exportText);
    m_openElsewhere = button(ReaderTexts::openElsewhere);
    row->addWidget(m_toggle);
    row->addStretch();
    row->addWidget(m_copy);
    row->addWidget(m_export);
    row->addWidget(m_openElsewhere);
    return bar;
}

QWidget *ReaderView::footer()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(barInsetX, footerInsetY, barInsetX, footerInsetY);
    m_footerSource = new QLabel(bar);
    m_footerState = new QLabel(bar);
    QPalette dimmed = bar->palette();
    dimmed.setColor(QPalette::WindowText, QColor::fromRgbF(0, 0, 0, 0.5f));
    for (QLabel *label : {m_footerSource, m_footerState}) {
        label->setFont(systemFont(footerFontSize));
        label->setPalette(dimmed);
        label->setTextFormat(Qt::PlainText);
    }
    row->addWidget(m_footerSource);
    row->addStretch();
    row->addWidget(m_footerState);
    return bar;
}

qsizetype ReaderView::characterCount(const QString &text)
{
    // The footer counts on every keystroke. Characters below the combining marks and the
    // general punctuation (dashes, quotes, bullets, ellipsis) each stand alone, so a text
    // made only of them is counted directly; any other character takes the full rules.
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool alone = c < 0x300 || (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E);
        if (!alone)
            return Characters::count(text);
        if (c != u'\n' || i == 0 || text[i - 1] != u'\r')
            ++count;
    }
    return count;
}

void ReaderView::toggleText() { m_workflows.document().showInReader(!m_session.readerShowsSource()); }

void ReaderView::copyText()
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_session.readerText());
    m_workflows.document().noteCopied();
}

void ReaderView::renderDocument()
{
    m_document->updateView(m_session.readerText(), m_session.readerIsCode(), !m_session.busy());
}

void ReaderView::renderButtons()
{
    const bool showsSource = m_session.readerShowsSource();
    m_toggle->setText((showsSource ? ReaderTexts::showOutput : ReaderTexts::showSource).toString());
    m_toggle->setEnabled(!(showsSource ? m_session.outputText() : m_session.sourceText()).isEmpty());
}

void ReaderView::renderFooter()
{
    m_footerSource->setText(m_session.isExample() ? ReaderTexts::exampleNote.toString() : m_session.sourceName());
    if (m_session.busy()) {
        m_footerState->setText(StatusLine::compose(m_session.status(), m_session.transcriptionProgress()));
        return;
    }
    m_footerState->setText(m_session.readerTitle() + ReaderTexts::countSeparator.toString()
                           + QString::number(characterCount(m_session.readerText()))
                           + ReaderTexts::countSuffix.toString());
}

} // namespace telvora
