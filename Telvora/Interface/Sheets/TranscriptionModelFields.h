#pragma once

#include "Telvora/Interface/Sheets/ONNXModelField.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include <QObject>

#include <functional>

namespace telvora {

class FormSection;
class ModelChoice;

/// The local transcription model rows: the Whisper model with its suggestions and note,
/// the two speaker-model files and the note on custom models. Each edit writes one field
/// into a fresh copy of the bound options and assigns the copy whole.
class TranscriptionModelFields : public QObject
{
    Q_OBJECT
public:
    /// A two-way binding to the options being edited.
    struct Binding
    {
        std::function<LocalTranscriptionOptions()> get;
        std::function<void(const LocalTranscriptionOptions &)> set;
    };

    /// Appends the five rows to `section`.
    TranscriptionModelFields(Binding options, ONNXModelField::FileChooser chooseFile, FormSection &section);

    /// Shows the bound options' current values.
    void refresh();

    ModelChoice *whisperModel() const { return m_whisper; }
    ONNXModelField *segmentationModel() const { return m_segmentation; }
    ONNXModelField *embeddingModel() const { return m_embedding; }

private:
    void write(const std::function<void(LocalTranscriptionOptions &)> &change);

    Binding m_options;
    ModelChoice *m_whisper;
    ONNXModelField *m_segmentation;
    ONNXModelField *m_embedding;
};

} // namespace telvora
