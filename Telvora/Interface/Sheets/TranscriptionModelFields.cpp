#include "Telvora/Interface/Sheets/TranscriptionModelFields.h"

#include "Telvora/Interface/Sheets/FormSection.h"
#include "Telvora/Interface/Sheets/ModelChoice.h"
#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Interface/Sheets/SheetTexts.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QLabel>

namespace telvora {

TranscriptionModelFields::TranscriptionModelFields(Binding options, ONNXModelField::FileChooser chooseFile,
                                                   FormSection &section)
    : QObject(&section)
    , m_options(std::move(options))
    , m_whisper(new ModelChoice(SheetTexts::whisperModel.toString()))
    , m_segmentation(new ONNXModelField(SheetTexts::segmentationModel.toString(),
                                        SheetTexts::segmentationDefault.toString(), chooseFile))
    , m_embedding(new ONNXModelField(SheetTexts::embeddingModel.toString(), SheetTexts::embeddingDefault.toString(),
                                     chooseFile))
{
    m_whisper->setObjectName(QStringLiteral("whisperModel"));
    m_segmentation->setObjectName(QStringLiteral("segmentationModel"));
    m_embedding->setObjectName(QStringLiteral("embeddingModel"));
    m_whisper->setSuggestions(AIModels::whisper());

    section.addRow(m_whisper);
    section.addRow(SheetStyle::note(SheetTexts::whisperNote.toString()));
    section.addRow(m_segmentation);
    section.addRow(m_embedding);
    section.addRow(SheetStyle::note(SheetTexts::onnxNote.toString()));

    connect(m_whisper, &ModelChoice::selectionEdited, this,
            [this](const QString &value) { write([&](LocalTranscriptionOptions &o) { o.model = value; }); });
    connect(m_segmentation, &ONNXModelField::pathEdited, this, [this](const QString &value) {
        write([&](LocalTranscriptionOptions &o) { o.segmentationModel = value; });
    });
    connect(m_embedding, &ONNXModelField::pathEdited, this,
            [this](const QString &value) { write([&](LocalTranscriptionOptions &o) { o.embeddingModel = value; }); });
    refresh();
}

void TranscriptionModelFields::refresh()
{
    const LocalTranscriptionOptions options = m_options.get();
    m_whisper->setSelection(options.model);
    m_segmentation->setPath(options.segmentationModel);
    m_embedding->setPath(options.embeddingModel);
}

void TranscriptionModelFields::write(const std::function<void(LocalTranscriptionOptions &)> &change)
{
    LocalTranscriptionOptions options = m_options.get();
    change(options);
    m_options.set(options);
}

} // namespace telvora
