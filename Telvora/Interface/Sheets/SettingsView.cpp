#include "Telvora/Interface/Sheets/SettingsView.h"

#include "Telvora/Interface/Sheets/FormSection.h"
#include "Telvora/Interface/Sheets/ModelChoice.h"
#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Interface/Sheets/SheetTexts.h"
#include "Telvora/Interface/Sheets/TranscriptionModelFields.h"
#include "Telvora/Session/UserPrompts.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Errors/ErrorMessage.h"
#include "TelvoraCore/Provider/OpenAIModels.h"
#include "TelvoraCore/Provider/ProviderClient.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr QSize sheetSize{650, 720};
constexpr int inset = 24;
constexpr int spacing = 18;

QLineEdit *keyField(const QString &title, const QString &name)
{
    auto *field = new QLineEdit;
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(title);
    field->setAccessibleName(title);
    return field;
}

ONNXModelField::FileChooser fileChooser(UserPrompts &prompts)
{
    return [&prompts](const QString &title) { return prompts.chooseFileToOpen(UserPrompts::OpenDialog{title, {}}); };
}

} // namespace

SettingsView::SettingsView(Workflows &workflows, std::function<bool()> engineAvailable, QWidget *parent)
    : QDialog(parent)
    , m_workflows(workflows)
    , m_speechModels(AIModels::openAISpeech())
    , m_elevenModels(AIModels::elevenSpeech())
    , m_models(OpenAIModels::suggestions())
{
    // What the sheet shows first: the current choices; the stored keys follow once read.
    const Settings &settings = workflows.settings();
    m_model = settings.textModel();
    m_voiceModel = settings.elevenModel();
    m_narrationModel = settings.narrationModel();
    m_openAISpeechModel = settings.openAISpeechModel();
    m_transcription = workflows.transcription().options();

    setWindowTitle(SheetTexts::settingsTitle.toString());
    setFixedSize(sheetSize);
    SheetStyle::applyLightScheme(this);
    buildLayout(engineAvailable && engineAvailable());

    m_textChoice->setSelection(m_model);
    m_narrationChoice->setSelection(m_narrationModel);
    m_speechChoice->setSelection(m_openAISpeechModel);
    m_elevenChoice->setSelection(m_voiceModel);
    m_transcriptionFields->refresh();
    render();
    m_keysJob.start([this](CancellationToken token) { return readKeys(token); },
                    [this](const std::exception_ptr &failure) {
                        if (failure && !isCancellation(failure)) {
                            m_message = errorMessage(failure);
                            render();
                        }
                    });
}

QCoro::Task<> SettingsView::readKeys(CancellationToken token)
{
    KeychainStore &keychain = m_workflows.keychain();
    const QString openAIKey = co_await Job::checked(token, keychain.read(KeychainAccount::openAI));
    const QString elevenKey = co_await Job::checked(token, keychain.read(KeychainAccount::elevenLabs));
    // A key the user began to type while the keyring answered stays as typed.
    if (m_openAIKeyField->text().isEmpty()) {
        m_openAIKeyField->setText(openAIKey);
        editOpenAIKey(openAIKey);
    }
    if (m_elevenKeyField->text().isEmpty()) {
        m_elevenKeyField->setText(elevenKey);
        editElevenKey(elevenKey);
    }
}

SettingsView::~SettingsView() = default;

void SettingsView::buildLayout(bool engineAvailable)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(inset, inset, inset, inset);
    column->setSpacing(spacing);

    QLabel *title = SheetStyle::label(SheetTexts::settingsTitle.toString(), SheetStyle::TextStyle::title2);
    title->setFont(SheetStyle::font(SheetStyle::TextStyle::title2, true));
    column->addWidget(title);
    column->addWidget(SheetStyle::label(SheetTexts::settingsIntro.toString(), SheetStyle::TextStyle::callout, true));

    auto *form = new QWidget;
    auto *sections = new QVBoxLayout(form);
    sections->setContentsMargins(0, 0, 4, 0);
    sections->setSpacing(spacing);
    sections->addWidget(openAISection());
    sections->addWidget(elevenSection());
    sections->addWidget(transcriptionSection(engineAvailable));
    sections->addStretch();

    auto *scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(form);
    scroll->viewport()->setAutoFillBackground(false);
    form->setAutoFillBackground(false);
    column->addWidget(scroll, 1);

    m_messageLine = SheetStyle::label({}, SheetStyle::TextStyle::callout);
    m_messageLine->setObjectName(u"message"_s);
    QPalette red = m_messageLine->palette();
    red.setColor(QPalette::WindowText, SheetStyle::failure());
    m_messageLine->setPalette(red);
    column->addWidget(m_messageLine);

    auto *footer = new QHBoxLayout;
    footer->addWidget(SheetStyle::note(SheetTexts::removeKeyNote.toString()), 1);
    auto *cancel = new QPushButton(SheetTexts::cancel.toString());
    cancel->setObjectName(u"cancel"_s);
    cancel->setAutoDefault(false);
    auto *save = new QPushButton(SheetTexts::save.toString());
    save->setObjectName(u"save"_s);
    save->setDefault(true);
    footer->addWidget(cancel);
    footer->addWidget(save);
    column->addLayout(footer);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, &SettingsView::save);
}

QWidget *SettingsView::openAISection()
{
    auto *section = new FormSection(SheetTexts::openAISection.toString());
    m_openAIKeyField = keyField(SheetTexts::openAIKey.toString(), u"openAIKey"_s);
    section->addLabelledRow(SheetTexts::openAIKey.toString(), m_openAIKeyField);

    m_textChoice = new ModelChoice(SheetTexts::textModel.toString());
    m_textChoice->setObjectName(u"textModel"_s);
    section->addRow(m_textChoice);
    m_narrationChoice = new ModelChoice(SheetTexts::narrationModel.toString());
    m_narrationChoice->setObjectName(u"narrationModel"_s);
    section->addRow(m_narrationChoice);
    section->addRow(SheetStyle::note(SheetTexts::narrationNote.toString()));
    m_speechChoice = new ModelChoice(SheetTexts::openAISpeechModel.toString());
    m_speechChoice->setObjectName(u"openAISpeechModel"_s);
    section->addRow(m_speechChoice);

    auto *refreshRow = new QWidget;
    auto *refreshLayout = new QHBoxLayout(refreshRow);
    refreshLayout->setContentsMargins(0, 0, 0, 0);
    m_refreshButton = new QPushButton;
    m_refreshButton->setObjectName(u"refreshModels"_s);
    m_refreshButton->setAutoDefault(false);
    m_refreshProgress = new QProgressBar;
    m_refreshProgress->setObjectName(u"modelsProgress"_s);
    m_refreshProgress->setRange(0, 0);
    m_refreshProgress->setTextVisible(false);
    m_refreshProgress->setFixedSize(60, 6);
    refreshLayout->addWidget(m_refreshButton);
    refreshLayout->addWidget(m_refreshProgress);
    refreshLayout->addStretch();
    section->addRow(refreshRow);

    m_modelNote = SheetStyle::note({});
    m_modelNote->setObjectName(u"modelNote"_s);
    section->addRow(m_modelNote);
    section->addRow(SheetStyle::note(SheetTexts::speechNote.toString()));

    connect(m_openAIKeyField, &QLineEdit::textEdited, this, &SettingsView::editOpenAIKey);
    connect(m_textChoice, &ModelChoice::selectionEdited, this, [this](const QString &value) { m_model = value; });
    connect(m_narrationChoice, &ModelChoice::selectionEdited, this,
            [this](const QString &value) { m_narrationModel = value; });
    connect(m_speechChoice, &ModelChoice::selectionEdited, this,
            [this](const QString &value) { m_openAISpeechModel = value; });
    connect(m_refreshButton, &QPushButton::clicked, this, &SettingsView::requestModelRefresh);
    return section;
}

QWidget *SettingsView::elevenSection()
{
    auto *section = new FormSection(SheetTexts::elevenSection.toString());
    m_elevenKeyField = keyField(SheetTexts::elevenKey.toString(), u"elevenKey"_s);
    section->addLabelledRow(SheetTexts::elevenKey.toString(), m_elevenKeyField);
    m_elevenChoice = new ModelChoice(SheetTexts::elevenModel.toString());
    m_elevenChoice->setObjectName(u"elevenModel"_s);
    section->addRow(m_elevenChoice);

    auto *refreshRow = new QWidget;
    auto *refreshLayout = new QHBoxLayout(refreshRow);
    refreshLayout->setContentsMargins(0, 0, 0, 0);
    m_elevenRefreshButton = new QPushButton;
    m_elevenRefreshButton->setObjectName(u"refreshElevenModels"_s);
    m_elevenRefreshButton->setAutoDefault(false);
    refreshLayout->addWidget(m_elevenRefreshButton);
    refreshLayout->addStretch();
    section->addRow(refreshRow);

    m_elevenNote = SheetStyle::note({});
    m_elevenNote->setObjectName(u"elevenNote"_s);
    section->addRow(m_elevenNote);
    section->addRow(SheetStyle::note(SheetTexts::elevenNote.toString()));

    connect(m_elevenKeyField, &QLineEdit::textEdited, this, &SettingsView::editElevenKey);
    connect(m_elevenChoice, &ModelChoice::selectionEdited, this,
            [this](const QString &value) { m_voiceModel = value; });
    connect(m_elevenRefreshButton, &QPushButton::clicked, this, &SettingsView::requestElevenRefresh);
    return section;
}

QWidget *SettingsView::transcriptionSection(bool engineAvailable)
{
    auto *section = new FormSection(SheetTexts::transcriptionSection.toString());
    QLabel *engine =
        SheetStyle::label((engineAvailable ? SheetTexts::engineAvailable : SheetTexts::engineMissing).toString(),
                          SheetStyle::TextStyle::body);
    engine->setObjectName(u"engine"_s);
    section->addRow(engine);
    m_transcriptionFields =
        new TranscriptionModelFields({[this] { return m_transcription; },
                                      [this](const LocalTranscriptionOptions &options) { m_transcription = options; }},
                                     fileChooser(m_workflows.prompts()), *section);
    return section;
}

void SettingsView::editOpenAIKey(const QString &value)
{
    if (value == m_openAIKey)
        return;
    // Lists fetched with the previous key no longer describe this account.
    m_openAIKey = value;
    m_models = OpenAIModels::suggestions();
    m_speechModels = AIModels::openAISpeech();
    m_modelMessage.clear();
    render();
}

void SettingsView::editElevenKey(const QString &value)
{
    if (value == m_elevenKey)
        return;
    m_elevenKey = value;
    m_elevenModels = AIModels::elevenSpeech();
    m_elevenMessage.clear();
    render();
}

void SettingsView::requestModelRefresh()
{
    ++m_modelRefresh;
    m_modelsJob.start([this](CancellationToken token) { return refreshModels(token); },
                      [this](const std::exception_ptr &failure) {
                          if (failure && isCancellation(failure))
                              return;
                          if (failure)
                              m_modelMessage = SheetTexts::modelsFailed.toString() + errorMessage(failure);
                          m_modelsLoading = false;
                          render();
                      });
}

void SettingsView::requestElevenRefresh()
{
    ++m_elevenRefresh;
    m_elevenJob.start([this](CancellationToken token) { return refreshElevenModels(token); },
                      [this](const std::exception_ptr &failure) {
                          if (failure && isCancellation(failure))
                              return;
                          if (failure && m_elevenKey.trimmed() == m_elevenRequestKey)
                              m_elevenMessage = SheetTexts::elevenFailed.toString() + errorMessage(failure);
                          m_elevenModelsLoading = false;
                          render();
                      });
}

QCoro::Task<> SettingsView::refreshModels(CancellationToken token)
{
    const QString key = m_openAIKey.trimmed();
    m_modelsLoading = true;
    render();

    const ProviderClient client = m_workflows.providers().client(token);
    const QStringList ids = co_await Job::checked(token, client.openAIModelIDs(key));
    if (m_openAIKey.trimmed() != key) {
        m_modelMessage = SheetTexts::keyChanged.toString();
    } else {
        const QStringList candidates = OpenAIModels::textCandidates(ids);
        m_models = candidates;
        m_speechModels.clear();
        for (const QString &id : std::as_const(ids)) {
            if (id.contains(SheetTexts::speechMarker))
                m_speechModels.append(id);
        }
        m_modelMessage = candidates.isEmpty()
            ? SheetTexts::noTextCandidate.toString()
            : QString::number(candidates.size()) + SheetTexts::textModelsListed.toString();
    }
}

QCoro::Task<> SettingsView::refreshElevenModels(CancellationToken token)
{
    m_elevenRequestKey = m_elevenKey.trimmed();
    m_elevenModelsLoading = true;
    render();

    const ProviderClient client = m_workflows.providers().client(token);
    const QStringList ids = co_await Job::checked(token, client.elevenModels(m_elevenRequestKey));
    // A list read with a key the field no longer holds says nothing about this account.
    if (m_elevenKey.trimmed() == m_elevenRequestKey) {
        m_elevenModels = ids;
        m_elevenMessage = QString::number(ids.size()) + SheetTexts::elevenListed.toString();
    }
}

void SettingsView::cancelRefreshes()
{
    m_modelsJob.cancel();
    m_elevenJob.cancel();
}

void SettingsView::save()
{
    const QString model = m_model.trimmed();
    const QString voiceModel = m_voiceModel.trimmed();
    const QString speechModel = m_openAISpeechModel.trimmed();
    const QString whisperModel = m_transcription.model.trimmed();
    const QString language = m_transcription.language.trimmed();
    if (model.isEmpty() || voiceModel.isEmpty() || speechModel.isEmpty() || whisperModel.isEmpty()
        || language.isEmpty())
        return fail(SheetTexts::blankModels.toString());
    if (m_workflows.session().busy())
        return fail(SheetTexts::busy.toString());
    m_saveJob.start([this](CancellationToken token) { return saveKeys(token); },
                    [this](const std::exception_ptr &failure) {
                        if (!failure)
                            apply();
                        else if (!isCancellation(failure))
                            fail(SheetTexts::keychainFailed.toString() + errorMessage(failure));
                    });
}

QCoro::Task<> SettingsView::saveKeys(CancellationToken token)
{
    KeychainStore &keychain = m_workflows.keychain();
    co_await Job::checked(token, keychain.save(KeychainAccount::openAI, m_openAIKey.trimmed()));
    co_await Job::checked(token, keychain.save(KeychainAccount::elevenLabs, m_elevenKey.trimmed()));
}

void SettingsView::apply()
{
    Settings &settings = m_workflows.settings();
    settings.setTextModel(m_model.trimmed());
    settings.setElevenModel(m_voiceModel.trimmed());
    settings.setNarrationModel(m_narrationModel.trimmed());
    settings.setOpenAISpeechModel(m_openAISpeechModel.trimmed());
    m_transcription.model = m_transcription.model.trimmed();
    m_transcription.language = m_transcription.language.trimmed();
    m_workflows.transcription().setOptions(m_transcription);
    settings.saveModels();
    accept();
}

void SettingsView::fail(const QString &message)
{
    m_message = message;
    render();
}

void SettingsView::done(int result)
{
    cancelRefreshes();
    QDialog::done(result);
}

namespace {

// A button that disables itself while it works would hand the focus to the next field,
// which selects its text for the next key to overwrite: the focus waits in the button's
// row instead and comes back to it when it is enabled again.
void setEnabledKeepingFocus(QAbstractButton *button, bool enabled)
{
    QWidget *row = button->parentWidget();
    if (!enabled && button->hasFocus())
        row->setFocus(Qt::OtherFocusReason);
    const bool waiting = row->hasFocus();
    button->setEnabled(enabled);
    if (enabled && waiting)
        button->setFocus(Qt::OtherFocusReason);
}

} // namespace

void SettingsView::render()
{
    const bool openAIKeyBlank = m_openAIKey.trimmed().isEmpty();
    m_refreshButton->setText((m_modelsLoading ? SheetTexts::loadingModels : SheetTexts::refreshOpenAI).toString());
    setEnabledKeepingFocus(m_refreshButton, !m_modelsLoading && !openAIKeyBlank);
    m_refreshProgress->setVisible(m_modelsLoading);
    m_modelNote->setText(m_modelMessage.isEmpty() ? SheetTexts::openAIHint.toString() : m_modelMessage);
    m_textChoice->setSuggestions(m_models);
    m_narrationChoice->setSuggestions(m_models);
    m_speechChoice->setSuggestions(m_speechModels);

    const bool elevenKeyBlank = m_elevenKey.trimmed().isEmpty();
    m_elevenRefreshButton->setText(
        (m_elevenModelsLoading ? SheetTexts::loadingModels : SheetTexts::refreshEleven).toString());
    setEnabledKeepingFocus(m_elevenRefreshButton, !m_elevenModelsLoading && !elevenKeyBlank);
    m_elevenNote->setText(m_elevenMessage);
    m_elevenNote->setVisible(!m_elevenMessage.isEmpty());
    m_elevenChoice->setSuggestions(m_elevenModels);

    m_messageLine->setText(m_message);
    m_messageLine->setVisible(!m_message.isEmpty());
}

} // namespace telvora
