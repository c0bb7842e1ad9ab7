#include "Telvora/Interface/Sheets/SettingsView.h"

#include "Telvora/Interface/Sheets/FormSection.h"
#include "Telvora/Interface/Sheets/ModelChoice.h"
#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Interface/Sheets/SheetTexts.h"
#include "Telvora/Interface/Sheets/TranscriptionModelFields.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionSettings.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/OpenAIModels.h"
#include "TelvoraCore/Provider/ProviderClient.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkReply>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr QSize sheetSize{650, 720};
constexpr int inset = 24;
constexpr int spacing = 18;

QString describe(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Error &error) {
        return error.message();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return {};
    }
}

QLineEdit *keyField(const QString &title, const QString &name)
{
    auto *field = new QLineEdit;
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(title);
    field->setAccessibleName(title);
    return field;
}

ONNXModelField::FileChooser fileChooser(Session &session)
{
    return [&session](const QString &title) {
        return session.prompts().chooseFileToOpen(UserPrompts::OpenDialog{title, {}});
    };
}

void writeModelSetting(QSettings &settings, const SessionSettings::Entry &entry, const QString &value)
{
    settings.setValue(entry.key.toString(), value);
}

} // namespace

SettingsView::SettingsView(Session &session, std::function<bool()> engineAvailable, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_speechModels(AIModels::openAISpeech())
    , m_elevenModels(AIModels::elevenSpeech())
    , m_models(OpenAIModels::suggestions())
{
    // What the sheet shows first: the stored keys and the session's current choices.
    m_openAIKey = session.keychain().read(KeychainStore::openAIAccount);
    m_elevenKey = session.keychain().read(KeychainStore::elevenLabsAccount);
    m_model = session.textModel();
    m_voiceModel = session.elevenModel();
    m_narrationModel = session.narrationModel();
    m_openAISpeechModel = session.openAISpeechModel();
    m_transcription = session.transcriptionOptions();

    setWindowTitle(SheetTexts::settingsTitle.toString());
    setFixedSize(sheetSize);
    SheetStyle::applyLightScheme(this);
    buildLayout(engineAvailable && engineAvailable());

    m_openAIKeyField->setText(m_openAIKey);
    m_elevenKeyField->setText(m_elevenKey);
    m_textChoice->setSelection(m_model);
    m_narrationChoice->setSelection(m_narrationModel);
    m_speechChoice->setSelection(m_openAISpeechModel);
    m_elevenChoice->setSelection(m_voiceModel);
    m_transcriptionFields->refresh();
    render();
}

SettingsView::~SettingsView()
{
    // A refresh resumes as soon as its reply ends; end them now, while every member the
    // coroutines could reach is still alive. They see their token cancelled and stop.
    cancelRefreshes();
    const auto replies = m_network.findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies)
        reply->abort();
}

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
                                     fileChooser(m_session), *section);
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
    if (m_modelToken)
        m_modelToken->cancel();
    m_modelToken = CancellationToken();
    refreshModels(*m_modelToken);
}

void SettingsView::requestElevenRefresh()
{
    ++m_elevenRefresh;
    if (m_elevenToken)
        m_elevenToken->cancel();
    m_elevenToken = CancellationToken();
    refreshElevenModels(*m_elevenToken);
}

QCoro::Task<> SettingsView::refreshModels(CancellationToken token)
{
    // The sheet may close while the list is on its way: the guard and the token decide
    // whether anything may still be touched after the wait.
    QPointer<SettingsView> self(this);
    const QString key = m_openAIKey.trimmed();
    m_modelsLoading = true;
    render();

    QStringList ids;
    std::exception_ptr failure;
    try {
        const ProviderClient client(&m_network, m_session.endpoints(), token);
        ids = co_await client.openAIModelIDs(key);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || token.isCancelled())
        co_return;

    if (failure) {
        m_modelMessage = SheetTexts::modelsFailed.toString() + describe(failure);
    } else if (m_openAIKey.trimmed() != key) {
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
    m_modelsLoading = false;
    render();
}

QCoro::Task<> SettingsView::refreshElevenModels(CancellationToken token)
{
    QPointer<SettingsView> self(this);
    const QString key = m_elevenKey.trimmed();
    m_elevenModelsLoading = true;
    render();

    QStringList ids;
    std::exception_ptr failure;
    try {
        const ProviderClient client(&m_network, m_session.endpoints(), token);
        ids = co_await client.elevenModels(key);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || token.isCancelled())
        co_return;

    // A list read with a key the field no longer holds says nothing about this account.
    if (m_elevenKey.trimmed() == key) {
        if (failure) {
            m_elevenMessage = SheetTexts::elevenFailed.toString() + describe(failure);
        } else {
            m_elevenModels = ids;
            m_elevenMessage = QString::number(ids.size()) + SheetTexts::elevenListed.toString();
        }
    }
    m_elevenModelsLoading = false;
    render();
}

void SettingsView::cancelRefreshes()
{
    if (m_modelToken)
        m_modelToken->cancel();
    if (m_elevenToken)
        m_elevenToken->cancel();
}

void SettingsView::save()
{
    const QString model = m_model.trimmed();
    const QString voiceModel = m_voiceModel.trimmed();
    const QString speechModel = m_openAISpeechModel.trimmed();
    const QString whisperModel = m_transcription.model.trimmed();
    const QString language = m_transcription.language.trimmed();
    const auto fail = [this](const QString &message) {
        m_message = message;
        render();
    };
    if (model.isEmpty() || voiceModel.isEmpty() || speechModel.isEmpty() || whisperModel.isEmpty()
        || language.isEmpty())
        return fail(SheetTexts::blankModels.toString());
    if (m_session.busy())
        return fail(SheetTexts::busy.toString());
    try {
        m_session.keychain().save(m_openAIKey.trimmed(), KeychainStore::openAIAccount);
        m_session.keychain().save(m_elevenKey.trimmed(), KeychainStore::elevenLabsAccount);
    } catch (const Error &error) {
        return fail(SheetTexts::keychainFailed.toString() + error.message());
    }

    m_session.setTextModel(model);
    m_session.setElevenModel(voiceModel);
    m_session.setNarrationModel(m_narrationModel.trimmed());
    m_session.setOpenAISpeechModel(speechModel);
    m_transcription.model = whisperModel;
    m_transcription.language = language;
    m_session.setTranscriptionOptions(m_transcription);

    QSettings &settings = m_session.settings();
    writeModelSetting(settings, SessionSettings::textModel, m_session.textModel());
    writeModelSetting(settings, SessionSettings::elevenModel, m_session.elevenModel());
    writeModelSetting(settings, SessionSettings::narrationModel, m_session.narrationModel());
    writeModelSetting(settings, SessionSettings::openAISpeechModel, m_session.openAISpeechModel());
    accept();
}

void SettingsView::done(int result)
{
    cancelRefreshes();
    QDialog::done(result);
}

void SettingsView::render()
{
    const bool openAIKeyBlank = m_openAIKey.trimmed().isEmpty();
    m_refreshButton->setText((m_modelsLoading ? SheetTexts::loadingModels : SheetTexts::refreshOpenAI).toString());
    m_refreshButton->setEnabled(!m_modelsLoading && !openAIKeyBlank);
    m_refreshProgress->setVisible(m_modelsLoading);
    m_modelNote->setText(m_modelMessage.isEmpty() ? SheetTexts::openAIHint.toString() : m_modelMessage);
    m_textChoice->setSuggestions(m_models);
    m_narrationChoice->setSuggestions(m_models);
    m_speechChoice->setSuggestions(m_speechModels);

    const bool elevenKeyBlank = m_elevenKey.trimmed().isEmpty();
    m_elevenRefreshButton->setText(
        (m_elevenModelsLoading ? SheetTexts::loadingModels : SheetTexts::refreshEleven).toString());
    m_elevenRefreshButton->setEnabled(!m_elevenModelsLoading && !elevenKeyBlank);
    m_elevenNote->setText(m_elevenMessage);
    m_elevenNote->setVisible(!m_elevenMessage.isEmpty());
    m_elevenChoice->setSuggestions(m_elevenModels);

    m_messageLine->setText(m_message);
    m_messageLine->setVisible(!m_message.isEmpty());
}

} // namespace telvora
