#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"

#include "Telvora/Interface/Sheets/FormSection.h"
#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Interface/Sheets/SheetTexts.h"
#include "Telvora/Interface/Sheets/ToggleSwitch.h"
#include "Telvora/Interface/Sheets/TranscriptionModelFields.h"
#include "Telvora/Session/UserPrompts.h"
#include "Telvora/Session/Workflows.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr QSize sheetSize{620, 660};
constexpr int inset = 24;
constexpr int spacing = 20;
constexpr int largestSpeakerCount = 8;

QLineEdit *textField(const QString &title, const QString &placeholder, const QString &name)
{
    auto *field = new QLineEdit;
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(title);
    return field;
}

// A switch row: the title on the left, the box at the right end, as settings forms read.
QWidget *switchRow(const QString &title, ToggleSwitch *box)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QLabel *label = SheetStyle::label(title, SheetStyle::TextStyle::body, false, row);
    label->setBuddy(box);
    box->setAccessibleName(title);
    layout->addWidget(label, 1);
    layout->addWidget(box);
    return row;
}

void showText(QLineEdit *field, const QString &value)
{
    if (field->text() != value)
        field->setText(value);
}

} // namespace

TranscriptionOptionsView::TranscriptionOptionsView(Workflows &workflows, QWidget *parent)
    : QDialog(parent)
    , m_workflows(workflows)
{
    setWindowTitle(SheetTexts::optionsTitle.toString());
    setFixedSize(sheetSize);
    SheetStyle::applyLightScheme(this);
    buildLayout();
    bindSession();
    render();
}

void TranscriptionOptionsView::buildLayout()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // Disabling this one container disables every control, "Concluir" included.
    m_content = new QWidget;
    outer->addWidget(m_content);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(inset, inset, inset, inset);
    column->setSpacing(spacing);

    QLabel *title = SheetStyle::label(SheetTexts::optionsTitle.toString(), SheetStyle::TextStyle::title2);
    title->setFont(SheetStyle::font(SheetStyle::TextStyle::title2, true));
    column->addWidget(title);

    auto *section = new FormSection;
    m_diarization = new ToggleSwitch;
    m_diarization->setObjectName(u"diarization"_s);
    section->addRow(switchRow(SheetTexts::identifySpeakers.toString(), m_diarization));

    m_speakerCount = new QComboBox;
    m_speakerCount->setObjectName(u"speakerCount"_s);
    m_speakerCount->setAccessibleName(SheetTexts::speakerCount.toString());
    m_speakerCount->addItem(SheetTexts::automatic.toString(), qint64(0));
    for (qint64 count = 1; count <= largestSpeakerCount; ++count)
        m_speakerCount->addItem(QString::number(count), count);
    section->addLabelledRow(SheetTexts::speakerCount.toString(), m_speakerCount);

    m_speakerNames = textField(SheetTexts::speakerNames.toString(), SheetTexts::speakerNamesPlaceholder.toString(),
                               u"speakerNames"_s);
    section->addLabelledRow(SheetTexts::speakerNames.toString(), m_speakerNames);

    m_timecodes = new ToggleSwitch;
    m_timecodes->setObjectName(u"timecodes"_s);
    section->addRow(switchRow(SheetTexts::timecodes.toString(), m_timecodes));

    TranscriptionWorkflow &transcription = m_workflows.transcription();
    UserPrompts &prompts = m_workflows.prompts();
    m_modelFields = new TranscriptionModelFields(
        {[&transcription] { return transcription.options(); },
         [&transcription](const LocalTranscriptionOptions &options) { transcription.setOptions(options); }},
        [&prompts](const QString &title) {
            return prompts.chooseFileToOpen(UserPrompts::OpenDialog{title, {}});
        },
        *section);

    m_language = textField(SheetTexts::language.toString(), {}, u"language"_s);
    section->addLabelledRow(SheetTexts::language.toString(), m_language);
    m_vocabulary =
        textField(SheetTexts::vocabulary.toString(), SheetTexts::vocabularyPlaceholder.toString(), u"vocabulary"_s);
    section->addLabelledRow(SheetTexts::vocabulary.toString(), m_vocabulary);

    auto *scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *form = new QWidget;
    auto *formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(0, 0, 4, 0);
    formLayout->addWidget(section);
    formLayout->addStretch();
    scroll->setWidget(form);
    scroll->viewport()->setAutoFillBackground(false);
    form->setAutoFillBackground(false);
    column->addWidget(scroll, 1);

    QLabel *caption = SheetStyle::note(SheetTexts::optionsCaption.toString());
    column->addWidget(caption);

    auto *footer = new QHBoxLayout;
    footer->addStretch();
    auto *done = new QPushButton(SheetTexts::done.toString());
    done->setObjectName(u"done"_s);
    done->setDefault(true);
    footer->addWidget(done);
    column->addLayout(footer);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
}

void TranscriptionOptionsView::bindSession()
{
    Session &session = m_workflows.session();
    Settings &settings = m_workflows.settings();
    connect(m_diarization, &ToggleSwitch::clicked, this, [&session](bool on) { session.setDiarization(on); });
    connect(m_speakerCount, &QComboBox::activated, this,
            [this, &session](int index) { session.setSpeakerCount(m_speakerCount->itemData(index).toLongLong()); });
    connect(m_speakerNames, &QLineEdit::textEdited, this, [&session](const QString &v) { session.setSpeakerNames(v); });
    connect(m_timecodes, &ToggleSwitch::clicked, this, [&session](bool on) { session.setTimecodes(on); });
    connect(m_language, &QLineEdit::textEdited, this, [&settings](const QString &v) { settings.setLanguage(v); });
    connect(m_vocabulary, &QLineEdit::textEdited, this, [&settings](const QString &v) { settings.setVocabulary(v); });

    // Other controls (the console's switch and menu) write the same fields while the sheet
    // is open; what it shows follows them.
    for (auto changed : {&Session::diarizationChanged, &Session::timecodesChanged, &Session::busyChanged})
        connect(&session, changed, this, &TranscriptionOptionsView::render);
    connect(&session, &Session::speakerNamesChanged, this, &TranscriptionOptionsView::render);
    for (auto changed : {&Settings::whisperModelChanged, &Settings::languageChanged, &Settings::vocabularyChanged,
                         &Settings::segmentationModelChanged, &Settings::embeddingModelChanged})
        connect(&settings, changed, this, &TranscriptionOptionsView::render);
    connect(&session, &Session::speakerCountChanged, this, &TranscriptionOptionsView::render);
}

void TranscriptionOptionsView::render()
{
    const Session &session = m_workflows.session();
    const Settings &settings = m_workflows.settings();
    m_content->setEnabled(!session.busy());
    m_diarization->setChecked(session.diarization());
    m_speakerCount->setEnabled(session.diarization());
    m_speakerCount->setCurrentIndex(m_speakerCount->findData(session.speakerCount()));
    showText(m_speakerNames, session.speakerNames());
    m_timecodes->setChecked(session.timecodes());
    m_modelFields->refresh();
    showText(m_language, settings.language());
    showText(m_vocabulary, settings.vocabulary());
}

} // namespace telvora
