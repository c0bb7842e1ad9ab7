#include "tests/interface/sheets/SheetFixture.h"
#include "tests/session/workflows/NarrationFixture.h"

#include "Telvora/Interface/Sheets/SettingsView.h"
#include "TelvoraCore/Provider/OpenAIModels.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QProgressBar>
#include <QSignalSpy>

#include <memory>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

LoopbackServer::Reply openAIModels(const QStringList &ids)
{
    QJsonArray data;
    for (const QString &id : ids)
        data.append(QJsonObject{{u"id"_s, id}, {u"object"_s, u"model"_s}});
    return LoopbackServer::Reply::json(QJsonObject{{u"object"_s, u"list"_s}, {u"data"_s, data}});
}

LoopbackServer::Reply elevenModels(const QList<QPair<QString, bool>> &models)
{
    QJsonArray list;
    for (const auto &[id, speech] : models)
        list.append(QJsonObject{{u"model_id"_s, id}, {u"can_do_text_to_speech"_s, speech}});
    return LoopbackServer::Reply::json(list);
}

class SettingsSheet : public SheetFixture
{
protected:
    void SetUp() override
    {
        SheetFixture::SetUp();
        credentials.items.insert(u"openai"_s, "sk-stored");
        credentials.items.insert(u"elevenlabs"_s, "el-stored");
        workflows->settings().setTextModel(u"gpt-5.4-mini"_s);
        workflows->settings().setNarrationModel(u"gpt-6-luna"_s);
        workflows->settings().setOpenAISpeechModel(u"gpt-4o-mini-tts"_s);
        workflows->settings().setElevenModel(u"eleven_v4"_s);
        openSheet();
    }

    // The sheet goes before the workflows it edits.
    void TearDown() override
    {
        sheet.reset();
        SheetFixture::TearDown();
    }

    // Opens a fresh sheet and waits until it shows the stored keys, which it reads
    // asynchronously: typing before that would race with the keyring's answer.
    void openSheet()
    {
        sheet = std::make_unique<SettingsView>(*workflows, [this] { return engineInstalled; });
        sheet->show();
        const auto showsStoredKeys = [this] {
            return field(u"openAIKey"_s)->text() == QString::fromUtf8(credentials.items.value(u"openai"_s))
                && field(u"elevenKey"_s)->text() == QString::fromUtf8(credentials.items.value(u"elevenlabs"_s));
        };
        ASSERT_TRUE(QTest::qWaitFor(showsStoredKeys, 5000));
    }

    // "Salvar", then the wait for its outcome: the keys are stored asynchronously, and the
    // sheet either closes or tells why it did not.
    void save()
    {
        const QString before = label(u"message"_s)->text();
        button(u"save"_s)->click();
        const auto decided = [&] { return !sheet->isVisible() || label(u"message"_s)->text() != before; };
        ASSERT_TRUE(QTest::qWaitFor(decided, 5000));
    }

    QLineEdit *field(const QString &name) { return child<QLineEdit>(*sheet, name); }
    ModelChoice *choice(const QString &name) { return child<ModelChoice>(*sheet, name); }
    QPushButton *button(const QString &name) { return child<QPushButton>(*sheet, name); }
    QLabel *label(const QString &name) { return child<QLabel>(*sheet, name); }
    QLineEdit *modelField(const QString &name) { return choice(name)->field(); }

    bool waitForNote(const QString &name, const QString &text)
    {
        return QTest::qWaitFor([&] { return label(name)->text() == text; }, 10000);
    }

    bool waitUntilRefreshed(const QString &button)
    {
        return QTest::qWaitFor([&] { return this->button(button)->isEnabled(); }, 10000);
    }

    // Every stored value the sheet could write.
    struct Stored
    {
        QHash<QString, QByteArray> keys;
        QString textModel, narrationModel, openAISpeechModel, elevenModel, whisperModel, language, openAIVoice;
        QStringList settingsKeys;
        bool operator==(const Stored &) const = default;
    };
    Stored stored()
    {
        settings->sync();
        const telvora::Settings &models = workflows->settings();
        return {credentials.items,          models.textModel(),     models.narrationModel(),
                models.openAISpeechModel(), models.elevenModel(),   models.whisperModel(),
                models.language(),          session->openAIVoice(), settings->allKeys()};
    }

    bool engineInstalled = true;
    std::unique_ptr<SettingsView> sheet;
};

} // namespace

TEST_F(SettingsSheet, OpensWithTheStoredKeysAndTheSessionModels)
{
    EXPECT_EQ(field(u"openAIKey"_s)->text(), u"sk-stored"_s);
    EXPECT_EQ(field(u"openAIKey"_s)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(field(u"elevenKey"_s)->text(), u"el-stored"_s);
    EXPECT_EQ(field(u"elevenKey"_s)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(modelField(u"textModel"_s)->text(), u"gpt-5.4-mini"_s);
    EXPECT_EQ(modelField(u"narrationModel"_s)->text(), u"gpt-6-luna"_s);
    EXPECT_EQ(modelField(u"openAISpeechModel"_s)->text(), u"gpt-4o-mini-tts"_s);
    EXPECT_EQ(modelField(u"elevenModel"_s)->text(), u"eleven_v4"_s);
    EXPECT_EQ(modelField(u"whisperModel"_s)->text(), u"large-v3-turbo"_s);
    EXPECT_EQ(sheet->size(), QSize(650, 720));

    EXPECT_EQ(menuEntries(*choice(u"textModel"_s)), OpenAIModels::suggestions());
    EXPECT_EQ(menuEntries(*choice(u"narrationModel"_s)), OpenAIModels::suggestions());
    EXPECT_EQ(menuEntries(*choice(u"openAISpeechModel"_s)), AIModels::openAISpeech());
    EXPECT_EQ(menuEntries(*choice(u"elevenModel"_s)), AIModels::elevenSpeech());
    EXPECT_EQ(menuEntries(*choice(u"whisperModel"_s)), AIModels::whisper());
    EXPECT_EQ(choice(u"textModel"_s)->chooser()->accessibleName(), u"Escolher Texto editorial e Quintara"_s);
    EXPECT_EQ(label(u"modelNote"_s)->text(),
              u"Escolha na lista ou digite um identificador. Atualizar consulta a conta com a chave informada; "
              u"Salvar confirma a escolha."_s);
    EXPECT_FALSE(label(u"message"_s)->isVisible());
    EXPECT_FALSE(label(u"elevenNote"_s)->isVisible());
}

TEST_F(SettingsSheet, TheEngineLineSaysWhetherTheLocalEngineIsInstalled)
{
    EXPECT_EQ(label(u"engine"_s)->text(), u"Engine local instalada · Whisper / faster-whisper"_s);
    engineInstalled = false;
    openSheet();
    EXPECT_EQ(label(u"engine"_s)->text(), u"Engine local não instalada"_s);
}

TEST_F(SettingsSheet, CancelAfterEditsLeavesSessionKeychainAndSettingsUntouched)
{
    const Stored before = stored();
    type(field(u"openAIKey"_s), u"sk-other"_s);
    type(field(u"elevenKey"_s), {});
    type(modelField(u"textModel"_s), u"o3"_s);
    type(modelField(u"openAISpeechModel"_s), u"tts-1"_s);
    ASSERT_TRUE(pick(*choice(u"whisperModel"_s), u"tiny"_s));
    button(u"cancel"_s)->click();

    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(stored(), before);
}

TEST_F(SettingsSheet, EscapeCancelsAndReturnSaves)
{
    type(modelField(u"textModel"_s), u"o3"_s);
    QTest::keyClick(modelField(u"textModel"_s), Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(workflows->settings().textModel(), u"gpt-5.4-mini"_s);

    openSheet();
    type(modelField(u"textModel"_s), u"o3"_s);
    QTest::keyClick(modelField(u"textModel"_s), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sheet->isVisible(); }, 5000));
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(workflows->settings().textModel(), u"o3"_s);
}

TEST_F(SettingsSheet, EachSaveFailureTellsWhyAndChangesNothing)
{
    struct Case
    {
        const char *name;
        std::function<void()> arrange;
        QString message;
    };
    const QString blank = u"Informe os modelos e o idioma da transcrição."_s;
    const QList<Case> cases{
        {"blank text model", [this] { type(modelField(u"textModel"_s), u"  "_s); }, blank},
        {"blank OpenAI speech model", [this] { type(modelField(u"openAISpeechModel"_s), {}); }, blank},
        {"blank ElevenLabs model", [this] { type(modelField(u"elevenModel"_s), u"   "_s); }, blank},
        {"blank Whisper model", [this] { type(modelField(u"whisperModel"_s), u" "_s); }, blank},
        {"blank language",
         [this] {
             workflows->settings().setLanguage(u" "_s);
             openSheet();
         },
         blank},
        {"a workflow running", [this] { session->setBusy(true); },
         u"Conclua ou cancele a operação atual antes de salvar os modelos."_s},
        {"the keychain refusing", [this] { credentials.failure = u"O chaveiro está bloqueado."_s; },
         u"Não foi possível salvar a chave no chaveiro do sistema: O chaveiro está bloqueado."_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        workflows->settings().setLanguage(u"pt"_s);
        session->setBusy(false);
        credentials.failure.reset();
        openSheet();
        type(modelField(u"narrationModel"_s), u"o3"_s);
        row.arrange();
        const Stored before = stored();

        save();

        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(label(u"message"_s)->text(), row.message);
        EXPECT_TRUE(label(u"message"_s)->isVisible());
        EXPECT_EQ(stored(), before);
    }
}

TEST_F(SettingsSheet, ASuccessfulSaveAfterAFailedOneCloses)
{
    type(modelField(u"textModel"_s), {});
    save();
    ASSERT_TRUE(sheet->isVisible());
    type(modelField(u"textModel"_s), u"o3"_s);
    save();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
}

TEST_F(SettingsSheet, SaveStoresTrimmedKeysAndModelsAndRemovesAnEmptiedKey)
{
    type(field(u"openAIKey"_s), u"  sk-new  "_s);
    type(field(u"elevenKey"_s), u"   "_s);
    type(modelField(u"textModel"_s), u" gpt-6-astra "_s);
    type(modelField(u"narrationModel"_s), u"  "_s);
    type(modelField(u"openAISpeechModel"_s), u" gpt-4o-mini-tts-2025-12-15"_s);
    type(modelField(u"elevenModel"_s), u"eleven_v3  "_s);
    type(modelField(u"whisperModel"_s), u"  small "_s);

    save();

    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(credentials.items.value(u"openai"_s), QByteArray("sk-new"));
    EXPECT_FALSE(credentials.items.contains(u"elevenlabs"_s));
    EXPECT_EQ(workflows->settings().textModel(), u"gpt-6-astra"_s);
    EXPECT_EQ(workflows->settings().narrationModel(), QString());
    EXPECT_EQ(workflows->settings().openAISpeechModel(), u"gpt-4o-mini-tts-2025-12-15"_s);
    EXPECT_EQ(workflows->settings().elevenModel(), u"eleven_v3"_s);
    EXPECT_EQ(workflows->settings().whisperModel(), u"small"_s);
    settings->sync();
    EXPECT_EQ(settings->value(u"textModel"_s).toString(), u"gpt-6-astra"_s);
    EXPECT_EQ(settings->value(u"narrationModel"_s).toString(), QString());
    EXPECT_TRUE(settings->contains(u"narrationModel"_s));
    EXPECT_EQ(settings->value(u"openAISpeechModel"_s).toString(), u"gpt-4o-mini-tts-2025-12-15"_s);
    EXPECT_EQ(settings->value(u"elevenModel"_s).toString(), u"eleven_v3"_s);
    EXPECT_EQ(settings->value(u"whisperModel"_s).toString(), u"small"_s);
}

TEST_F(SettingsSheet, ASpeechModelWithoutTheChosenVoiceMovesItToCoralAndDropsTheNarration)
{
    session->setOpenAIVoice(u"marin"_s);
    session->setOutputText(document);
    makeNarration();
    const QString narrationFolder = this->narrationFolder();
    ASSERT_TRUE(QFileInfo::exists(narrationFolder));
    type(modelField(u"openAISpeechModel"_s), u"tts-1"_s);
    save();

    EXPECT_EQ(workflows->settings().openAISpeechModel(), u"tts-1"_s);
    EXPECT_EQ(session->openAIVoice(), u"coral"_s);
    EXPECT_TRUE(session->narrationAudio().isEmpty());
    EXPECT_FALSE(session->voicePlaying());
    EXPECT_EQ(workflows->playback().voicePlayer(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(narrationFolder));
}

TEST_F(SettingsSheet, RefreshButtonsNeedAKeyThatIsNotBlank)
{
    const QList<std::pair<QString, bool>> keys{{u"sk-1"_s, true}, {QString(), false}, {u"   "_s, false}};
    for (const auto &[key, enabled] : keys) {
        SCOPED_TRACE(key.toStdString());
        type(field(u"openAIKey"_s), key);
        type(field(u"elevenKey"_s), key);
        EXPECT_EQ(button(u"refreshModels"_s)->isEnabled(), enabled);
        EXPECT_EQ(button(u"refreshElevenModels"_s)->isEnabled(), enabled);
    }
}

TEST_F(SettingsSheet, OpenAIRefreshListsTheAccountsTextAndSpeechModels)
{
    server.enqueue(openAIModels({u"o3"_s, u"gpt-4o-mini-tts"_s, u"gpt-4o"_s, u"text-embedding-3-large"_s,
                                 u"gpt-5.4-mini"_s, u"tts-1"_s, u"gpt-image-1"_s}));
    type(field(u"openAIKey"_s), u" sk-account "_s);
    button(u"refreshModels"_s)->click();

    EXPECT_EQ(button(u"refreshModels"_s)->text(), u"Carregando modelos…"_s);
    EXPECT_FALSE(button(u"refreshModels"_s)->isEnabled());
    EXPECT_TRUE(child<QProgressBar>(*sheet, u"modelsProgress"_s)->isVisible());
    ASSERT_TRUE(waitUntilRefreshed(u"refreshModels"_s));

    EXPECT_EQ(label(u"modelNote"_s)->text(), u"3 modelos listados para texto. O modelo escolhido foi mantido."_s);
    const QStringList text{u"gpt-5.4-mini"_s, u"gpt-4o"_s, u"o3"_s};
    EXPECT_EQ(menuEntries(*choice(u"textModel"_s)), text);
    EXPECT_EQ(menuEntries(*choice(u"narrationModel"_s)), text);
    EXPECT_EQ(menuEntries(*choice(u"openAISpeechModel"_s)), QStringList({u"gpt-4o-mini-tts"_s, u"tts-1"_s}));
    EXPECT_EQ(button(u"refreshModels"_s)->text(), u"Atualizar modelos da conta"_s);
    EXPECT_FALSE(child<QProgressBar>(*sheet, u"modelsProgress"_s)->isVisible());
    // Choices stay as they were, listed or not.
    EXPECT_EQ(modelField(u"narrationModel"_s)->text(), u"gpt-6-luna"_s);

    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().path, QByteArray("/v1/models"));
    EXPECT_EQ(server.requests().first().header("authorization"), QByteArray("Bearer sk-account"));
}

// A refresh button disables itself while it works; the focus must not run on to the next
// field, which would select its text for the next key to overwrite.
TEST_F(SettingsSheet, AfterARefreshTheFocusStaysOnTheClickedButtonAndNothingIsSelected)
{
    struct Case
    {
        const char *name;
        QString button;
        LoopbackServer::Reply reply;
    };
    const Case cases[] = {
        {"OpenAI", u"refreshModels"_s, openAIModels({u"gpt-4o"_s, u"tts-1"_s})},
        {"ElevenLabs", u"refreshElevenModels"_s, elevenModels({{u"eleven_v4"_s, true}})},
    };
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.enqueue(c.reply);
        QPushButton *refresh = button(c.button);
        QTest::mouseClick(refresh, Qt::LeftButton);
        ASSERT_FALSE(refresh->isEnabled()) << "the refresh is under way";
        EXPECT_FALSE(qobject_cast<QLineEdit *>(QApplication::focusWidget())) << "no field took the focus";
        ASSERT_TRUE(waitUntilRefreshed(c.button));
        EXPECT_EQ(QApplication::focusWidget(), refresh);
        for (QLineEdit *field : sheet->findChildren<QLineEdit *>())
            EXPECT_FALSE(field->hasSelectedText()) << field->objectName().toStdString();
    }
}

TEST_F(SettingsSheet, OpenAIRefreshWithoutTextCandidatesEmptiesTheTextList)
{
    server.enqueue(openAIModels({u"tts-1"_s, u"whisper-1"_s}));
    button(u"refreshModels"_s)->click();
    ASSERT_TRUE(waitUntilRefreshed(u"refreshModels"_s));

    EXPECT_EQ(label(u"modelNote"_s)->text(),
              u"Nenhum candidato a texto foi listado. Você pode informar o modelo manualmente."_s);
    EXPECT_FALSE(choice(u"textModel"_s)->chooser()->isEnabled());
    EXPECT_EQ(modelField(u"textModel"_s)->text(), u"gpt-5.4-mini"_s);
}

TEST_F(SettingsSheet, OpenAIRefreshFailureKeepsTheSuggestions)
{
    server.enqueue(LoopbackServer::Reply::withStatus(401));
    button(u"refreshModels"_s)->click();
    ASSERT_TRUE(waitUntilRefreshed(u"refreshModels"_s));

    EXPECT_EQ(label(u"modelNote"_s)->text(),
              u"Não foi possível atualizar os modelos. Sua escolha foi preservada. "
              u"A chave ou a permissão da conta não permite esta operação."_s);
    EXPECT_EQ(menuEntries(*choice(u"textModel"_s)), OpenAIModels::suggestions());
}

TEST_F(SettingsSheet, AnOpenAIKeyEditedDuringTheRefreshDiscardsItsList)
{
    server.setHandler([this](const LoopbackServer::Request &) {
        type(field(u"openAIKey"_s), u"sk-changed"_s);
        return openAIModels({u"o3"_s, u"tts-1"_s});
    });
    button(u"refreshModels"_s)->click();
    ASSERT_TRUE(waitUntilRefreshed(u"refreshModels"_s));

    EXPECT_EQ(label(u"modelNote"_s)->text(),
              u"A chave mudou durante a consulta. Atualize novamente com a nova chave."_s);
    EXPECT_EQ(menuEntries(*choice(u"textModel"_s)), OpenAIModels::suggestions());
    EXPECT_EQ(menuEntries(*choice(u"openAISpeechModel"_s)), AIModels::openAISpeech());
}

TEST_F(SettingsSheet, TypingAnOpenAIKeyResetsTheListsAndTheNote)
{
    server.enqueue(openAIModels({u"o3"_s, u"tts-1"_s}));
    button(u"refreshModels"_s)->click();
    ASSERT_TRUE(waitUntilRefreshed(u"refreshModels"_s));
    ASSERT_EQ(menuEntries(*choice(u"textModel"_s)), QStringList{u"o3"_s});

    QTest::keyClick(field(u"openAIKey"_s), Qt::Key_X);

    EXPECT_EQ(menuEntries(*choice(u"textModel"_s)), OpenAIModels::suggestions());
    EXPECT_EQ(menuEntries(*choice(u"openAISpeechModel"_s)), AIModels::openAISpeech());
    EXPECT_TRUE(label(u"modelNote"_s)->text().startsWith(u"Escolha na lista"_s));
}

TEST_F(SettingsSheet, ASecondRefreshCancelsTheFirst)
{
    server.enqueue(LoopbackServer::Reply::stall(openAIModels({u"o3"_s}).body, 4));
    server.enqueue(openAIModels({u"gpt-4o"_s, u"o3"_s}));
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    sheet->requestModelRefresh();
    ASSERT_TRUE(stalled.wait(10000));
    sheet->requestModelRefresh();
    ASSERT_TRUE(waitUntilRefreshed(u"refreshModels"_s));
    EXPECT_EQ(label(u"modelNote"_s)->text(), u"2 modelos listados para texto. O modelo escolhido foi mantido."_s);

    // The first request never comes back to say anything.
    QTest::qWait(100);
    EXPECT_EQ(label(u"modelNote"_s)->text(), u"2 modelos listados para texto. O modelo escolhido foi mantido."_s);
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(SettingsSheet, ClosingTheSheetCancelsItsRefreshes)
{
    server.enqueue(LoopbackServer::Reply::stall(openAIModels({u"o3"_s}).body, 4));
    server.enqueue(LoopbackServer::Reply::stall(elevenModels({{u"eleven_v3"_s, true}}).body, 4));
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    button(u"refreshModels"_s)->click();
    ASSERT_TRUE(stalled.wait(10000));
    button(u"refreshElevenModels"_s)->click();
    ASSERT_TRUE(stalled.wait(10000));

    button(u"cancel"_s)->click();
    QTest::qWait(50);
    EXPECT_EQ(label(u"modelNote"_s)->text().left(8), u"Escolha "_s);
    EXPECT_FALSE(label(u"elevenNote"_s)->isVisibleTo(sheet.get()));
    sheet.reset(); // destroying it with requests still open must end them quietly
    QTest::qWait(50);
}

TEST_F(SettingsSheet, DestroyingTheSheetMidRefreshEndsTheRequest)
{
    server.enqueue(LoopbackServer::Reply::stall(openAIModels({u"o3"_s}).body, 4));
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    button(u"refreshModels"_s)->click();
    ASSERT_TRUE(stalled.wait(10000));
    sheet.reset();
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(SettingsSheet, ElevenLabsRefreshListsTheSpeechModels)
{
    server.enqueue(elevenModels({{u"eleven_v3"_s, true}, {u"scribe_v1"_s, false}, {u"eleven_flash_v2_5"_s, true}}));
    button(u"refreshElevenModels"_s)->click();
    EXPECT_EQ(button(u"refreshElevenModels"_s)->text(), u"Carregando modelos…"_s);
    ASSERT_TRUE(waitUntilRefreshed(u"refreshElevenModels"_s));

    EXPECT_EQ(label(u"elevenNote"_s)->text(), u"2 modelos de voz listados. Sua escolha foi mantida."_s);
    EXPECT_TRUE(label(u"elevenNote"_s)->isVisible());
    EXPECT_EQ(menuEntries(*choice(u"elevenModel"_s)), QStringList({u"eleven_flash_v2_5"_s, u"eleven_v3"_s}));
    EXPECT_EQ(modelField(u"elevenModel"_s)->text(), u"eleven_v4"_s);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().header("xi-api-key"), QByteArray("el-stored"));
}

TEST_F(SettingsSheet, ElevenLabsRefreshFailureKeepsTheSuggestions)
{
    server.enqueue(LoopbackServer::Reply::json(QJsonObject{{u"models"_s, QJsonArray()}}));
    button(u"refreshElevenModels"_s)->click();
    ASSERT_TRUE(waitUntilRefreshed(u"refreshElevenModels"_s));

    EXPECT_EQ(label(u"elevenNote"_s)->text(),
              u"Não foi possível atualizar. Sua escolha foi preservada. Lista de modelos ElevenLabs inválida."_s);
    EXPECT_EQ(menuEntries(*choice(u"elevenModel"_s)), AIModels::elevenSpeech());
}

TEST_F(SettingsSheet, AnElevenLabsKeyEditedDuringTheRefreshShowsNothing)
{
    for (const bool succeed : {true, false}) {
        SCOPED_TRACE(succeed ? "success" : "failure");
        openSheet();
        server.setHandler([this, succeed](const LoopbackServer::Request &) {
            type(field(u"elevenKey"_s), u"el-changed"_s);
            return succeed ? elevenModels({{u"eleven_v3"_s, true}}) : LoopbackServer::Reply::withStatus(500);
        });
        button(u"refreshElevenModels"_s)->click();
        ASSERT_TRUE(waitUntilRefreshed(u"refreshElevenModels"_s));

        EXPECT_FALSE(label(u"elevenNote"_s)->isVisible());
        EXPECT_EQ(menuEntries(*choice(u"elevenModel"_s)), AIModels::elevenSpeech());
    }
}

TEST_F(SettingsSheet, ModelFilesArePickedOrResetToTheBuiltInModel)
{
    auto *segmentation = child<ONNXModelField>(*sheet, u"segmentationModel"_s);
    auto *embedding = child<ONNXModelField>(*sheet, u"embeddingModel"_s);
    EXPECT_EQ(segmentation->field()->placeholderText(), u"pyannote 3.0"_s);
    EXPECT_EQ(embedding->field()->placeholderText(), u"WeSpeaker ResNet34"_s);
    EXPECT_FALSE(segmentation->defaultButton()->isEnabled());

    prompts.openAnswers.enqueue(u"/modelos/segmentacao.onnx"_s);
    segmentation->fileButton()->click();
    EXPECT_EQ(segmentation->field()->text(), u"/modelos/segmentacao.onnx"_s);
    EXPECT_TRUE(segmentation->defaultButton()->isEnabled());
    ASSERT_EQ(prompts.openDialogsShown.size(), 1);
    EXPECT_TRUE(prompts.openDialogsShown.first().allowedTypes.isEmpty());

    prompts.openAnswers.enqueue(std::nullopt);
    segmentation->fileButton()->click();
    EXPECT_EQ(segmentation->field()->text(), u"/modelos/segmentacao.onnx"_s);

    segmentation->defaultButton()->click();
    EXPECT_EQ(segmentation->field()->text(), QString());
    EXPECT_FALSE(segmentation->defaultButton()->isEnabled());

    prompts.openAnswers.enqueue(u"/modelos/voz.onnx"_s);
    embedding->fileButton()->click();
    EXPECT_EQ(workflows->settings().embeddingModel(), QString()); // nothing reaches the session before "Salvar"
    save();
    EXPECT_EQ(workflows->settings().embeddingModel(), u"/modelos/voz.onnx"_s);
    EXPECT_EQ(workflows->settings().segmentationModel(), QString());
}
