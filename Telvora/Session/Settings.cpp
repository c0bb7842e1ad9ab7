#include "Telvora/Session/Settings.h"

#include "Telvora/Session/SessionSettings.h"

#include <QSettings>

namespace telvora {

namespace {

// A missing key, or one that does not hold text, gives the entry's fallback.
QString readSetting(const QSettings &store, SessionSettings::Entry entry)
{
    const QVariant value = store.value(entry.key.toString());
    if (value.typeId() != QMetaType::QString)
        return entry.fallback.toString();
    return value.toString();
}

} // namespace

Settings::Settings(QSettings &store, QObject *parent)
    : QObject(parent)
    , m_store(&store)
    , m_whisperModel(readSetting(store, SessionSettings::whisperModel))
    , m_language(readSetting(store, SessionSettings::language))
    , m_vocabulary(readSetting(store, SessionSettings::vocabulary))
    , m_segmentationModel(readSetting(store, SessionSettings::segmentationModel))
    , m_embeddingModel(readSetting(store, SessionSettings::embeddingModel))
    , m_textModel(readSetting(store, SessionSettings::textModel))
    , m_narrationModel(readSetting(store, SessionSettings::narrationModel))
    , m_openAISpeechModel(readSetting(store, SessionSettings::openAISpeechModel))
    , m_elevenModel(readSetting(store, SessionSettings::elevenModel))
{}

bool Settings::assign(QString &field, const QString &value, Changed changed)
{
    if (field == value)
        return false;
    field = value;
    Q_EMIT(this->*changed)(field);
    return true;
}

void Settings::writeThrough(QString &field, const QString &value, Changed changed, QStringView key)
{
    assign(field, value, changed);
    m_store->setValue(key.toString(), value);
}

void Settings::setWhisperModel(const QString &value)
{
    writeThrough(m_whisperModel, value, &Settings::whisperModelChanged, SessionSettings::whisperModel.key);
}

void Settings::setLanguage(const QString &value)
{
    writeThrough(m_language, value, &Settings::languageChanged, SessionSettings::language.key);
}

void Settings::setVocabulary(const QString &value)
{
    writeThrough(m_vocabulary, value, &Settings::vocabularyChanged, SessionSettings::vocabulary.key);
}

void Settings::setSegmentationModel(const QString &value)
{
    writeThrough(m_segmentationModel, value, &Settings::segmentationModelChanged,
                 SessionSettings::segmentationModel.key);
}

void Settings::setEmbeddingModel(const QString &value)
{
    writeThrough(m_embeddingModel, value, &Settings::embeddingModelChanged, SessionSettings::embeddingModel.key);
}

void Settings::setTextModel(const QString &value) { assign(m_textModel, value, &Settings::textModelChanged); }

void Settings::setNarrationModel(const QString &value)
{
    assign(m_narrationModel, value, &Settings::narrationModelChanged);
}

void Settings::setOpenAISpeechModel(const QString &value)
{
    assign(m_openAISpeechModel, value, &Settings::openAISpeechModelChanged);
    Q_EMIT openAISpeechModelAssigned(m_openAISpeechModel);
}

void Settings::setElevenModel(const QString &value) { assign(m_elevenModel, value, &Settings::elevenModelChanged); }

void Settings::saveModels()
{
    m_store->setValue(SessionSettings::textModel.key.toString(), m_textModel);
    m_store->setValue(SessionSettings::elevenModel.key.toString(), m_elevenModel);
    m_store->setValue(SessionSettings::narrationModel.key.toString(), m_narrationModel);
    m_store->setValue(SessionSettings::openAISpeechModel.key.toString(), m_openAISpeechModel);
}

QByteArray Settings::windowFrame(QStringView window) const { return m_store->value(window.toString()).toByteArray(); }

void Settings::setWindowFrame(QStringView window, const QByteArray &geometry)
{
    m_store->setValue(window.toString(), geometry);
}

} // namespace telvora
