#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace telvora {

class Workflows;
class ToggleSwitch;
class TranscriptionModelFields;

/// The transcription options sheet. It has no copies and no save step: every control
/// writes its session field at once and shows the field's current value, so "Concluir"
/// only closes it.
class TranscriptionOptionsView : public QDialog
{
    Q_OBJECT
public:
    explicit TranscriptionOptionsView(Workflows &workflows, QWidget *parent = nullptr);

private:
    void buildLayout();
    void bindSession();
    void render();

    Workflows &m_workflows;
    QWidget *m_content = nullptr;
    ToggleSwitch *m_diarization = nullptr;
    QComboBox *m_speakerCount = nullptr;
    QLineEdit *m_speakerNames = nullptr;
    ToggleSwitch *m_timecodes = nullptr;
    TranscriptionModelFields *m_modelFields = nullptr;
    QLineEdit *m_language = nullptr;
    QLineEdit *m_vocabulary = nullptr;
};

} // namespace telvora
