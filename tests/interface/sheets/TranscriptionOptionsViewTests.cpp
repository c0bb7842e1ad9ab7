#include "tests/interface/sheets/SheetFixture.h"

#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"

#include <memory>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class TranscriptionOptions : public SheetFixture
{
protected:
    void SetUp() override
    {
        SheetFixture::SetUp();
        sheet = std::make_unique<TranscriptionOptionsView>(*workflows);
        sheet->show();
    }

    // The sheet goes before the workflows it edits.
    void TearDown() override
    {
        sheet.reset();
        SheetFixture::TearDown();
    }

    QString stored(const QString &key)
    {
        settings->sync();
        return settings->value(key).toString();
    }

    std::unique_ptr<TranscriptionOptionsView> sheet;
};

} // namespace

TEST_F(TranscriptionOptions, ShowsTheSessionFieldsInItsFrame)
{
    EXPECT_EQ(sheet->size(), QSize(620, 660));
    EXPECT_TRUE(child<QAbstractButton>(*sheet, u"diarization"_s)->isChecked());
    EXPECT_TRUE(child<QAbstractButton>(*sheet, u"timecodes"_s)->isChecked());
    auto *count = child<QComboBox>(*sheet, u"speakerCount"_s);
    QStringList entries;
    for (int i = 0; i < count->count(); ++i)
        entries.append(count->itemText(i));
    EXPECT_EQ(entries, QStringList({u"Automático"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s}));
    EXPECT_EQ(count->currentText(), u"Automático"_s);
    EXPECT_EQ(child<QLineEdit>(*sheet, u"speakerNames"_s)->placeholderText(), u"Ana, Bruno, Carla"_s);
    EXPECT_EQ(child<QLineEdit>(*sheet, u"language"_s)->text(), u"pt"_s);
    EXPECT_EQ(child<QLineEdit>(*sheet, u"language"_s)->placeholderText(), QString());
    EXPECT_EQ(child<QLineEdit>(*sheet, u"vocabulary"_s)->placeholderText(), u"Nomes próprios, siglas, contexto…"_s);
    EXPECT_EQ(child<ModelChoice>(*sheet, u"whisperModel"_s)->selection(), u"large-v3-turbo"_s);
}

TEST_F(TranscriptionOptions, LanguageAndVocabularyAreWrittenOnEveryKeystroke)
{
    auto *language = child<QLineEdit>(*sheet, u"language"_s);
    language->setFocus();
    language->selectAll();
    QTest::keyClick(language, Qt::Key_E);
    EXPECT_EQ(workflows->settings().language(), u"e"_s);
    EXPECT_EQ(stored(u"transcriptionLanguage"_s), u"e"_s);
    QTest::keyClick(language, Qt::Key_N);
    EXPECT_EQ(stored(u"transcriptionLanguage"_s), u"en"_s);

    auto *vocabulary = child<QLineEdit>(*sheet, u"vocabulary"_s);
    vocabulary->setFocus();
    QTest::keyClicks(vocabulary, u"Telvora"_s);
    EXPECT_EQ(workflows->settings().vocabulary(), u"Telvora"_s);
    EXPECT_EQ(stored(u"transcriptionVocabulary"_s), u"Telvora"_s);
    QTest::keyClick(vocabulary, Qt::Key_Backspace);
    EXPECT_EQ(stored(u"transcriptionVocabulary"_s), u"Telvor"_s);
}

TEST_F(TranscriptionOptions, DefaultClearsTheSegmentationModelAtOnce)
{
    workflows->settings().setSegmentationModel(u"/modelos/seg.onnx"_s);
    auto *segmentation = child<ONNXModelField>(*sheet, u"segmentationModel"_s);
    ASSERT_EQ(segmentation->path(), u"/modelos/seg.onnx"_s);

    segmentation->defaultButton()->click();

    EXPECT_EQ(workflows->settings().segmentationModel(), QString());
    EXPECT_EQ(stored(u"segmentationModel"_s), QString());
    EXPECT_TRUE(settings->contains(u"segmentationModel"_s));
    EXPECT_EQ(segmentation->field()->placeholderText(), u"pyannote 3.0"_s);
    EXPECT_FALSE(segmentation->defaultButton()->isEnabled());
}

TEST_F(TranscriptionOptions, ModelRowsWriteOneFieldAndKeepTheTextAsTyped)
{
    session->setSpeakerNames(u"Ana"_s);
    auto *whisper = child<ModelChoice>(*sheet, u"whisperModel"_s);
    ASSERT_TRUE(pick(*whisper, u"small"_s));
    EXPECT_EQ(workflows->settings().whisperModel(), u"small"_s);
    EXPECT_EQ(stored(u"whisperModel"_s), u"small"_s);

    whisper->field()->setFocus();
    QTest::keyClick(whisper->field(), Qt::Key_Space);
    EXPECT_EQ(workflows->settings().whisperModel(), u"small "_s);

    prompts.openAnswers.enqueue(u"/modelos/voz.onnx"_s);
    child<ONNXModelField>(*sheet, u"embeddingModel"_s)->fileButton()->click();
    EXPECT_EQ(workflows->settings().embeddingModel(), u"/modelos/voz.onnx"_s);
    EXPECT_EQ(session->speakerNames(), u"Ana"_s);
    EXPECT_EQ(workflows->settings().whisperModel(), u"small "_s);
}

TEST_F(TranscriptionOptions, SpeakerCountFollowsIdentificationAndWritesItsValue)
{
    auto *identify = child<QAbstractButton>(*sheet, u"diarization"_s);
    auto *count = child<QComboBox>(*sheet, u"speakerCount"_s);
    count->setCurrentIndex(3);
    Q_EMIT count->activated(3);
    EXPECT_EQ(session->speakerCount(), 3);

    identify->click();
    EXPECT_FALSE(session->diarization());
    EXPECT_FALSE(count->isEnabled());
    EXPECT_EQ(session->speakerCount(), 3);
    identify->click();
    EXPECT_TRUE(count->isEnabled());

    count->setCurrentIndex(0);
    Q_EMIT count->activated(0);
    EXPECT_EQ(session->speakerCount(), 0);

    // The console's speaker menu writes the same field while the sheet is open.
    session->setSpeakerCount(5);
    EXPECT_EQ(count->currentText(), u"5"_s);
}

TEST_F(TranscriptionOptions, NamesAndTimecodesAreLive)
{
    auto *names = child<QLineEdit>(*sheet, u"speakerNames"_s);
    names->setFocus();
    QTest::keyClicks(names, u"Ana, Bruno"_s);
    EXPECT_EQ(session->speakerNames(), u"Ana, Bruno"_s);
    child<QAbstractButton>(*sheet, u"timecodes"_s)->click();
    EXPECT_FALSE(session->timecodes());
}

TEST_F(TranscriptionOptions, EverythingIsDisabledWhileAWorkflowRuns)
{
    session->setBusy(true);
    const auto controls = sheet->findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *control : controls) {
        if (qobject_cast<QLineEdit *>(control) || qobject_cast<QAbstractButton *>(control)
            || qobject_cast<QComboBox *>(control)) {
            EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
            ++checked;
        }
    }
    EXPECT_GE(checked, 12);
    EXPECT_FALSE(child<QPushButton>(*sheet, u"done"_s)->isEnabled());

    session->setBusy(false);
    EXPECT_TRUE(child<QPushButton>(*sheet, u"done"_s)->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(*sheet, u"language"_s)->isEnabled());
}

TEST_F(TranscriptionOptions, ReturnConcludes)
{
    QTest::keyClick(child<QLineEdit>(*sheet, u"vocabulary"_s), Qt::Key_Return);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_FALSE(sheet->isVisible());
}
