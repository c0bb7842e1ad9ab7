#pragma once

#include <QObject>
#include <QString>

class QSettings;

namespace telvora {

/// The persisted settings: the one place that reads them from the settings store, writes
/// them back and tells who shows them. Lives on the GUI thread.
///
/// The transcription settings are written through on every assignment, equal or not, so
/// the stored values always match; the four model choices are written by saveModels(),
/// when the settings sheet saves. Window frames are kept here as well.
class Settings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString whisperModel READ whisperModel WRITE setWhisperModel NOTIFY whisperModelChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QString vocabulary READ vocabulary WRITE setVocabulary NOTIFY vocabularyChanged)
    Q_PROPERTY(
        QString segmentationModel READ segmentationModel WRITE setSegmentationModel NOTIFY segmentationModelChanged)
    Q_PROPERTY(QString embeddingModel READ embeddingModel WRITE setEmbeddingModel NOTIFY embeddingModelChanged)
    Q_PROPERTY(QString textModel READ textModel WRITE setTextModel NOTIFY textModelChanged)
    Q_PROPERTY(QString narrationModel READ narrationModel WRITE setNarrationModel NOTIFY narrationModelChanged)
    Q_PROPERTY(
        QString openAISpeechModel READ openAISpeechModel WRITE setOpenAISpeechModel NOTIFY openAISpeechModelChanged)
    Q_PROPERTY(QString elevenModel READ elevenModel WRITE setElevenModel NOTIFY elevenModelChanged)

public:
    explicit Settings(QSettings &store, QObject *parent = nullptr);

    const QString &whisperModel() const { return m_whisperModel; }
    void setWhisperModel(const QString &value);
    const QString &language() const { return m_language; }
    void setLanguage(const QString &value);
    const QString &vocabulary() const { return m_vocabulary; }
    void setVocabulary(const QString &value);
    const QString &segmentationModel() const { return m_segmentationModel; }
    void setSegmentationModel(const QString &value);
    const QString &embeddingModel() const { return m_embeddingModel; }
    void setEmbeddingModel(const QString &value);

    const QString &textModel() const { return m_textModel; }
    void setTextModel(const QString &value);
    const QString &narrationModel() const { return m_narrationModel; }
    void setNarrationModel(const QString &value);
    const QString &openAISpeechModel() const { return m_openAISpeechModel; }
    void setOpenAISpeechModel(const QString &value);
    const QString &elevenModel() const { return m_elevenModel; }
    void setElevenModel(const QString &value);
    /// Stores the four model choices as they stand.
    void saveModels();

    /// A window's saved geometry, empty when none was saved.
    QByteArray windowFrame(QStringView window) const;
    void setWindowFrame(QStringView window, const QByteArray &geometry);

Q_SIGNALS:
    void whisperModelChanged(const QString &value);
    void languageChanged(const QString &value);
    void vocabularyChanged(const QString &value);
    void segmentationModelChanged(const QString &value);
    void embeddingModelChanged(const QString &value);
    void textModelChanged(const QString &value);
    void narrationModelChanged(const QString &value);
    void openAISpeechModelChanged(const QString &value);
    /// Every assignment of the speech model, equal or not: the voice must stay one it offers.
    void openAISpeechModelAssigned(const QString &value);
    void elevenModelChanged(const QString &value);

private:
    using Changed = void (Settings::*)(const QString &);
    bool assign(QString &field, const QString &value, Changed changed);
    void writeThrough(QString &field, const QString &value, Changed changed, QStringView key);

    QSettings *m_store;
    QString m_whisperModel;
    QString m_language;
    QString m_vocabulary;
    QString m_segmentationModel;
    QString m_embeddingModel;
    QString m_textModel;
    QString m_narrationModel;
    QString m_openAISpeechModel;
    QString m_elevenModel;
};

} // namespace telvora
