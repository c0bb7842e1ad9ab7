#include "Telvora/Interface/Console/ControllerView.h"

#include "Telvora/Interface/Console/ConsoleElements.h"
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleKey.h"
#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Console/ConsoleSkin.h"
#include "Telvora/Interface/Console/ConsoleStyle.h"
#include "Telvora/Interface/Console/ConsoleTexts.h"
#include "Telvora/Interface/Console/ConsoleWindowControls.h"
#include "Telvora/Interface/Console/StatusDisplay.h"
#include "Telvora/Interface/Console/StatusLine.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Support/Characters.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QFontMetricsF>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace Layout = ConsoleLayout;
namespace Texts = ConsoleTexts;
namespace Style = ConsoleStyle;

namespace {

// The printed labels: left-aligned and vertically centred in their frames.
struct PrintedLabel
{
    QStringView text;
    QRectF frame;
    int size;
    bool semiBold;
};

// The activity lamp's lens, round in its frame, and the light it spills around it.
constexpr qreal lampRadius() { return std::min(Layout::activityLamp.width(), Layout::activityLamp.height()) / 2 - 1; }
constexpr qreal lampHaloRadius = lampRadius() * 1.9;
constexpr QRectF lampLight()
{
    return Layout::centred(2 * lampHaloRadius, 2 * lampHaloRadius, Layout::activityLamp.center().x(),
                           Layout::activityLamp.center().y());
}

const std::array<PrintedLabel, 6> printedLabels{{
    {Texts::title, Layout::title, Style::titleSize, false},
    {Texts::inputSection, Layout::inputLabel, Style::sectionSize, true},
    {Texts::transcriptionSection, Layout::transcriptionLabel, Style::sectionSize, true},
    {Texts::outputSection, Layout::outputLabel, Style::sectionSize, true},
    {Texts::lengthLabel, Layout::lengthLabel, Style::lengthLabelSize, false},
    {Texts::voiceSection, Layout::voiceLabel, Style::sectionSize, true},
}};

} // namespace

ControllerView::ControllerView(Workflows &workflows, std::function<void()> closeWindow,
                               std::function<void()> minimizeWindow, std::function<void()> zoomWindow, QWidget *parent)
    : QWidget(parent)
    , m_workflows(workflows)
    , m_session(workflows.session())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(u"Telvora"_s);
    build(std::move(closeWindow), std::move(minimizeWindow), std::move(zoomWindow));
    observeSession();
    refresh();
    m_drawnLevel = m_session.meterLevel();
    resize(Layout::canvas.toSize());
    layOutCanvas();
}

ControllerView::~ControllerView() = default;

template<typename Element, typename... Arguments>
Element *ControllerView::add(Arguments &&...arguments)
{
    auto *element = new Element(std::forward<Arguments>(arguments)..., this);
    m_elements.emplace_back(element, element);
    return element;
}

void ControllerView::build(std::function<void()> closeWindow, std::function<void()> minimizeWindow,
                           std::function<void()> zoomWindow)
{
    Workflows &workflows = m_workflows;
    Session &session = workflows.session();
    // Created in drawing order, so later elements lie over earlier ones.
    m_dragStrip = add<DragStrip>(Layout::dragStrip);
    m_windowControls =
        new ConsoleWindowControls(std::move(closeWindow), std::move(minimizeWindow), std::move(zoomWindow), this);

    m_openKey = add<ConsoleKey>(Layout::openKey, Style::openKeySize);
    m_openKey->setText(Texts::openFile.toString());
    m_openKey->setAccessibleName(Texts::openFile.toString());
    connect(m_openKey, &QAbstractButton::clicked, this, [&workflows] { workflows.document().openFile(); });

    m_settingsKey = add<ConsoleKey>(Layout::settingsKey, 0);
    m_settingsKey->setPicture(ConsoleSkin::settingsGear(), Layout::settingsGearFit);
    m_settingsKey->setAccessibleName(Texts::settingsName.toString());
    m_settingsKey->setToolTip(Texts::settingsTip.toString());
    connect(m_settingsKey, &QAbstractButton::clicked, this, &ControllerView::settingsRequested);

    m_sourceDisplay = add<SourceDisplay>(Layout::sourceDisplay);

    m_playKey = add<ConsoleKey>(Layout::playKey, Style::playKeySize);
    connect(m_playKey, &QAbstractButton::clicked, this, [&workflows] { workflows.playback().toggleSource(); });
    m_stopKey = add<ConsoleKey>(Layout::stopKey, Style::stopKeySize);
    m_stopKey->setText(Texts::stop.toString());
    m_stopKey->setAccessibleName(Texts::stopName.toString());
    connect(m_stopKey, &QAbstractButton::clicked, this, [&workflows] { workflows.playback().stopSource(); });

    m_speakerSwitch = add<LampSwitch>(Layout::speakerSwitch, Texts::speakerSwitch.toString(), Style::speakerSwitchSize);
    connect(m_speakerSwitch, &QAbstractButton::clicked, this,
            [&session] { session.setDiarization(!session.diarization()); });
    m_speakerMenu = add<ConsoleMenuButton>(Layout::speakerMenu, Qt::AlignHCenter, false);
    m_speakerMenu->populate = [this](QMenu &menu) { fillSpeakerMenu(menu); };

    m_transcribeKey = add<ConsoleKey>(Layout::transcribeKey, Style::transcribeKeySize);
    m_transcribeKey->setText(Texts::transcribe.toString());
    m_transcribeKey->setAccessibleName(Texts::transcribe.toString());
    connect(m_transcribeKey, &QAbstractButton::clicked, this, [&workflows] { workflows.transcription().transcribe(); });

    m_openTextKey = add<ConsoleKey>(Layout::openTextKey, Style::openTextKeySize);
    m_openTextKey->setText(Texts::openText.toString());
    m_openTextKey->setAccessibleName(Texts::openText.toString());
    connect(m_openTextKey, &QAbstractButton::clicked, this, [&workflows] { workflows.document().showInReader(true); });
    m_preview = add<TextDisplay>(Layout::transcriptPreview, ConsoleFonts::mono(Style::previewSize), Style::displayText,
                                 Style::previewLines, true);

    for (size_t i = 0; i < m_kindKeys.size(); ++i) {
        const OutputKind kind = OutputKind::allCases()[i];
        ConsoleKey *key = add<ConsoleKey>(Layout::kindKey(int(i)), Style::kindKeySize);
        key->setText(kind.rawValue());
        key->setAccessibleName(kind.rawValue());
        connect(key, &QAbstractButton::clicked, this, [&session, kind] {
            if (session.outputKind() != kind)
                session.setOutputKind(kind);
        });
        m_kindKeys[i] = key;
    }
    for (size_t i = 0; i < m_lengthKeys.size(); ++i) {
        const OutputLength length = OutputLength::allCases()[i];
        ConsoleKey *key = add<ConsoleKey>(Layout::lengthKey(int(i)), Style::lengthKeySize);
        key->setText(length.rawValue());
        key->setAccessibleName(length.rawValue());
        connect(key, &QAbstractButton::clicked, this, [&session, length] {
            if (session.length() != length)
                session.setLength(length);
        });
        m_lengthKeys[i] = key;
    }
    m_generateKey = add<ConsoleKey>(Layout::generateKey, Style::generateKeySize);
    m_generateKey->setKeyStyle(PhysicalKey{.lit = true, .dark = false, .deepPress = true});
    connect(m_generateKey, &QAbstractButton::clicked, this, [&workflows] {
        if (workflows.session().busy())
            workflows.cancel();
        else
            workflows.generation().generate();
    });

    m_voiceSwitch = add<LampSwitch>(Layout::voiceSwitch, Texts::voiceSwitch.toString(), Style::voiceSwitchSize);
    connect(m_voiceSwitch, &QAbstractButton::clicked, this,
            [&session] { session.setVoiceEnabled(!session.voiceEnabled()); });
    for (size_t i = 0; i < m_providerButtons.size(); ++i) {
        const VoiceProvider provider = VoiceProvider::allCases()[i];
        ProviderButton *button = add<ProviderButton>(Layout::providerButton(int(i)), provider.rawValue());
        connect(button, &QAbstractButton::clicked, this, [this, i] { chooseProvider(int(i)); });
        m_providerButtons[i] = button;
    }
    m_voiceMenu = add<ConsoleMenuButton>(Layout::voiceMenu, Qt::AlignLeft, true);
    m_voiceMenu->populate = [this](QMenu &menu) { fillVoiceMenu(menu); };

    m_listenKey = add<ConsoleKey>(Layout::listenKey, Style::listenKeySize);
    connect(m_listenKey, &QAbstractButton::clicked, this, [&workflows] { workflows.narration().listen(); });
    m_exportKey = add<ConsoleKey>(Layout::exportKey, Style::exportKeySize);
    m_exportKey->setText(Texts::exportAudio.toString());
    m_exportKey->setAccessibleName(Texts::exportAudio.toString());
    connect(m_exportKey, &QAbstractButton::clicked, this, [&workflows] { workflows.narration().exportAudio(); });
    m_statusDisplay = add<StatusDisplay>(Layout::statusDisplay);
}

void ControllerView::observeSession()
{
    const Session *session = &m_session;
    const auto refreshOn = [this, session](auto signal) { connect(session, signal, this, &ControllerView::refresh); };
    refreshOn(&Session::busyChanged);
    refreshOn(&Session::sourceTextChanged);
    refreshOn(&Session::outputTextChanged);
    refreshOn(&Session::sourceNameChanged);
    refreshOn(&Session::sourceURLChanged);
    refreshOn(&Session::durationChanged);
    refreshOn(&Session::detectedSpeakersChanged);
    refreshOn(&Session::isExampleChanged);
    refreshOn(&Session::diarizationChanged);
    refreshOn(&Session::speakerCountChanged);
    refreshOn(&Session::outputKindChanged);
    refreshOn(&Session::lengthChanged);
    refreshOn(&Session::voiceEnabledChanged);
    refreshOn(&Session::providerChanged);
    refreshOn(&Session::openAIVoiceChanged);
    refreshOn(&Session::elevenVoiceChanged);
    refreshOn(&Session::elevenVoicesChanged);
    refreshOn(&Session::voicesLoadingChanged);
    refreshOn(&Session::statusChanged);
    refreshOn(&Session::transcriptionProgressChanged);
    refreshOn(&Session::sourcePlayingChanged);
    refreshOn(&Session::voicePlayingChanged);
    refreshOn(&Session::hasSourcePlayerChanged);
    refreshOn(&Session::narrationAudioChanged);
    const Settings *settings = &m_workflows.settings();
    connect(settings, &Settings::openAISpeechModelChanged, this, &ControllerView::refresh);
    connect(settings, &Settings::textModelChanged, this, &ControllerView::refresh);
    connect(session, &Session::meterLevelChanged, this, [this](double level) {
        // Only the needle's old and new places are repainted, never the panel.
        update(toWidget(needleBounds(m_drawnLevel)).toAlignedRect().adjusted(-2, -2, 2, 2));
        update(toWidget(needleBounds(level)).toAlignedRect().adjusted(-2, -2, 2, 2));
        m_drawnLevel = level;
    });
    connect(session, &Session::waveformChanged, this,
            [this] { update(toWidget(Layout::waveform).toAlignedRect().adjusted(-1, -1, 1, 1)); });
    connect(session, &Session::errorMessageChanged, this, &ControllerView::showError);
}

void ControllerView::refresh()
{
    const Session &session = m_session;
    const bool busy = session.busy();
    const bool hasPlayer = session.hasSourcePlayer();
    const bool hasVoice = !session.narrationAudio().isEmpty();

    m_openKey->setEnabled(!busy);
    m_settingsKey->setEnabled(!busy);

    m_sourceDisplay->setLines(
        session.sourceName(),
        sourceInfoLine(session.duration(), session.detectedSpeakers(), session.isExample(), session.sourceText()));
    m_playKey->setText((session.sourcePlaying() ? Texts::pause : Texts::play).toString());
    m_playKey->setAccessibleName((session.sourcePlaying() ? Texts::pauseName : Texts::playName).toString());
    m_playKey->setEnabled(hasPlayer);
    m_stopKey->setEnabled(hasPlayer);
    m_speakerSwitch->setValue(session.diarization());
    m_speakerSwitch->setEnabled(!busy);
    m_speakerMenu->setCaption(speakerCaption());
    m_speakerMenu->setEnabled(!busy && session.diarization());
    m_transcribeKey->setEnabled(m_workflows.transcription().canTranscribe());

    m_openTextKey->setEnabled(!session.sourceText().isEmpty());
    m_preview->setText(previewText(session.sourceText()));

    for (size_t i = 0; i < m_kindKeys.size(); ++i) {
        const bool lit = session.outputKind() == OutputKind::allCases()[i];
        m_kindKeys[i]->setKeyStyle(PhysicalKey{.lit = lit});
        m_kindKeys[i]->setAccessibleDescription(lit ? Texts::kindSelected.toString() : QString());
        m_kindKeys[i]->setEnabled(!busy);
    }
    for (size_t i = 0; i < m_lengthKeys.size(); ++i) {
        const bool lit = session.length() == OutputLength::allCases()[i];
        m_lengthKeys[i]->setKeyStyle(PhysicalKey{.lit = lit, .dark = !lit});
        m_lengthKeys[i]->setAccessibleDescription(lit ? Texts::lengthSelected.toString() : QString());
        m_lengthKeys[i]->setEnabled(!busy);
    }
    m_generateKey->setText((busy ? Texts::cancel : Texts::generate).toString());
    m_generateKey->setAccessibleName(m_generateKey->text());
    m_generateKey->setEnabled(busy || !session.sourceText().isEmpty());
    m_generateKey->setToolTip(Texts::generateTip.toString().arg(m_workflows.settings().textModel()));

    m_voiceSwitch->setValue(session.voiceEnabled());
    m_voiceSwitch->setEnabled(!busy);
    for (size_t i = 0; i < m_providerButtons.size(); ++i) {
        m_providerButtons[i]->setSelected(session.provider() == VoiceProvider::allCases()[i]);
        m_providerButtons[i]->setEnabled(!busy);
    }
    m_voiceMenu->setCaption(voiceCaption());
    m_voiceMenu->setEnabled(!busy);
    m_listenKey->setText((session.voicePlaying() ? Texts::pauseVoice : Texts::listen).toString());
    m_listenKey->setAccessibleName(m_listenKey->text());
    m_listenKey->setEnabled(!busy && (hasVoice || (session.voiceEnabled() && !session.outputText().isEmpty())));
    m_exportKey->setEnabled(hasVoice && !busy);

    m_statusDisplay->setText(statusDisplayText(session.status(), session.transcriptionProgress()));
    m_statusDisplay->setToolTip(session.status());
    m_statusDisplay->setAccessibleName(Texts::statusName.toString() + session.status());
    const bool lampShown = busy || session.status() == Texts::errorStatus;
    if (lampShown != m_lampShown) {
        m_lampShown = lampShown;
        update(toWidget(lampLight()).toAlignedRect().adjusted(-1, -1, 1, 1));
    }
}

QString ControllerView::statusDisplayText(const QString &status, const std::optional<TranscriptionProgress> &progress)
{
    if (!progress || !StatusLine::followsProgress(status))
        return status.toUpper();
    // The percentage on a line of its own: no time left fits beside it ("42 % · 3 MIN" is
    // wider than the display), so the reader's footer has it.
    return status.toUpper() + u'\n' + StatusLine::percentText(*progress);
}

QString ControllerView::sourceInfoLine(double duration, qint64 detectedSpeakers, bool isExample,
                                       const QString &sourceText)
{
    if (duration > 0) {
        const QString speakers = detectedSpeakers < 1
            ? Texts::originalAudio.toString()
            : QString::number(detectedSpeakers) + Texts::speakersSuffix.toString();
        return Texts::sourceClock.toString().arg(Transcript::clock(duration), speakers);
    }
    if (isExample)
        return Texts::exampleInfo.toString();
    return QString::number(Characters::count(sourceText)) + Texts::characters.toString();
}

QString ControllerView::previewText(const QString &sourceText)
{
    if (sourceText.isEmpty())
        return Texts::emptyPreview.toString();
    QString text = sourceText;
    // One left-to-right pass: "\n\n\n" keeps a blank line.
    return text.replace(u"\n\n"_s, u"\n"_s);
}

QString ControllerView::speakerCaption() const
{
    const qint64 count = m_session.speakerCount();
    return Texts::speakersCaption.toString() + (count == 0 ? Texts::speakersAuto.toString() : QString::number(count));
}

QString ControllerView::voiceCaption() const
{
    const QString &chosen = m_session.voiceID();
    QString name = Texts::voiceNone.toString();
    for (const Voice &voice : m_workflows.narration().voices()) {
        if (voice.id == chosen) {
            name = voice.name;
            break;
        }
    }
    return Texts::voiceCaption.toString().arg(name);
}

void ControllerView::fillSpeakerMenu(QMenu &menu)
{
    Session &session = m_workflows.session();
    const auto choose = [&session](qint64 count) {
        if (session.speakerCount() != count)
            session.setSpeakerCount(count);
    };
    connect(menu.addAction(Texts::speakersAutomatic.toString()), &QAction::triggered, this, [choose] { choose(0); });
    for (qint64 n = 1; n <= 8; ++n) {
        connect(menu.addAction(QString::number(n) + Texts::speakersSuffix.toString()), &QAction::triggered, this,
                [choose, n] { choose(n); });
    }
    menu.addSeparator();
    connect(menu.addAction(Texts::transcriptionOptions.toString()), &QAction::triggered, this,
            &ControllerView::transcriptionOptionsRequested);
}

void ControllerView::fillVoiceMenu(QMenu &menu)
{
    for (const Voice &voice : m_workflows.narration().voices()) {
        QAction *action = menu.addAction(voice.name);
        connect(action, &QAction::triggered, this, [this, id = voice.id] { m_workflows.session().setVoiceID(id); });
    }
    if (m_session.provider() != VoiceProvider::elevenLabs)
        return;
    menu.addSeparator();
    const bool loading = m_session.voicesLoading();
    QAction *refresh = menu.addAction((loading ? Texts::loadingVoices : Texts::refreshVoices).toString());
    connect(refresh, &QAction::triggered, this, [this] { m_workflows.narration().refreshVoices(); });
}

void ControllerView::chooseProvider(int index)
{
    const VoiceProvider provider = VoiceProvider::allCases()[size_t(index)];
    m_workflows.session().setProvider(provider);
    if (provider == VoiceProvider::elevenLabs && m_session.elevenVoices().isEmpty())
        m_workflows.narration().refreshVoices();
}

void ControllerView::showError()
{
    const std::optional<QString> &message = m_session.errorMessage();
    if (!message) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (!m_alert) {
        m_alert = new QMessageBox(QMessageBox::Warning, Texts::alertTitle.toString(), *message, QMessageBox::Ok, this);
        m_alert->setAttribute(Qt::WA_DeleteOnClose);
        // However the alert goes away, the message goes with it.
        connect(m_alert, &QDialog::finished, this, [this] { m_workflows.dismissError(); });
        m_alert->open();
    } else {
        m_alert->setText(*message);
    }
}

qreal ControllerView::needleAngle(double level) { return Layout::needleRestAngle + Layout::needleSweep * level; }

QRectF ControllerView::needleBounds(double level) const
{
    QTransform turn;
    turn.translate(Layout::needlePivot.x(), Layout::needlePivot.y());
    turn.rotate(needleAngle(level));
    turn.translate(-Layout::needlePivot.x(), -Layout::needlePivot.y());
    return turn.mapRect(Layout::needle);
}

std::vector<QRectF> ControllerView::waveformBars(const QList<double> &waveform)
{
    std::vector<QRectF> bars;
    bars.reserve(size_t(waveform.size()));
    const QRectF strip = Layout::waveform;
    const qreal naturalWidth = waveform.size() * Layout::waveformBarWidth
        + std::max<qsizetype>(waveform.size() - 1, 0) * Layout::waveformBarSpacing;
    // A recording's whole row fits the strip: bars and gaps narrow together, keeping their proportion.
    const qreal fit = naturalWidth > strip.width() ? strip.width() / naturalWidth : 1;
    const qreal barWidth = Layout::waveformBarWidth * fit;
    const qreal spacing = Layout::waveformBarSpacing * fit;
    qreal x = strip.center().x() - naturalWidth * fit / 2;
    for (double value : waveform) {
        const qreal height = std::max(Layout::waveformBarScale * value, Layout::waveformBarMinimum);
        bars.emplace_back(x, strip.center().y() - height / 2, barWidth, height);
        x += barWidth + spacing;
    }
    return bars;
}

QRectF ControllerView::canvasRect() const { return QRectF(m_origin, Layout::canvas * m_scale); }

QRectF ControllerView::toWidget(const QRectF &canvasFrame) const
{
    return QRectF(m_origin + canvasFrame.topLeft() * m_scale, canvasFrame.size() * m_scale);
}

void ControllerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOutCanvas();
}

void ControllerView::layOutCanvas()
{
    m_scale = std::min(width() / Layout::canvas.width(), height() / Layout::canvas.height());
    m_origin =
        QPointF((width() - Layout::canvas.width() * m_scale) / 2, (height() - Layout::canvas.height() * m_scale) / 2);
    for (auto &[widget, element] : m_elements)
        element->placeOnCanvas(*widget, m_scale, m_origin);
    m_windowControls->setCanvasScale(m_scale);
    const QRectF controls = toWidget(Layout::windowControls);
    m_windowControls->move(controls.topLeft().toPoint());
    m_staticLayer = QPixmap();
    update();
}

const QPixmap &ControllerView::staticLayer()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_staticLayer.size() != pixels || m_staticLayer.devicePixelRatio() != ratio) {
        m_staticLayer = QPixmap(pixels);
        m_staticLayer.setDevicePixelRatio(ratio);
        m_staticLayer.fill(Style::panelSurround);
        QPainter painter(&m_staticLayer);
        paintStaticLayer(painter);
    }
    return m_staticLayer;
}

// What never changes: the panel, the header and provider plates and the printed labels,
// drawn once per size.
void ControllerView::paintStaticLayer(QPainter &painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paintPanel(painter);
    painter.translate(m_origin);
    painter.scale(m_scale, m_scale);
    const qreal pixelScale = m_scale * painter.device()->devicePixelRatioF();
    painter.drawImage(Layout::headerPlate, ConsoleSkin::sprite(u"headerMetal", pixelScale));
    painter.drawImage(Layout::providerPlate, ConsoleSkin::sprite(u"display", pixelScale));
    painter.setPen(Qt::black);
    for (const PrintedLabel &label : printedLabels) {
        painter.setFont(label.semiBold ? ConsoleFonts::semiBold(label.size) : ConsoleFonts::regular(label.size));
        painter.drawText(label.frame, Qt::AlignLeft | Qt::AlignVCenter, label.text.toString());
    }
}

void ControllerView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QPixmap &background = staticLayer();
    const qreal ratio = background.devicePixelRatio();
    for (const QRect &area : event->region()) {
        const QRectF source(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio);
        painter.drawPixmap(QRectF(area), background, source);
    }
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(m_origin);
    painter.scale(m_scale, m_scale);

    const qreal pixelScale = m_scale * devicePixelRatioF();
    const QImage wave = ConsoleSkin::sprite(u"wave", pixelScale);
    painter.save();
    painter.setClipRect(Layout::waveform, Qt::IntersectClip);
    for (const QRectF &bar : waveformBars(m_session.waveform()))
        painter.drawImage(bar, wave);
    painter.restore();

    painter.save();
    painter.translate(Layout::needlePivot);
    painter.rotate(needleAngle(m_session.meterLevel()));
    painter.translate(-Layout::needlePivot);
    painter.drawImage(Layout::needle, ConsoleSkin::sprite(u"needle", pixelScale));
    painter.restore();

    if (m_lampShown)
        paintActivityLamp(painter);
}

// The panel picture scaled once to the device pixels it covers: a smooth reduction that
// averages, from the 2× picture on dense screens.
void ControllerView::paintPanel(QPainter &painter) const
{
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QRectF exact(m_origin * ratio, Layout::canvas * m_scale * ratio);
    const QRect pixels = exact.toRect();
    const QImage panel = ConsoleSkin::sprite(u"panel", m_scale * ratio);
    QImage scaled = panel.scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(1);
    painter.save();
    painter.setWorldTransform(painter.deviceTransform().inverted() * painter.worldTransform());
    painter.drawImage(pixels.topLeft(), scaled);
    painter.restore();
}

// The lamp's lens sits round in its socket on the panel and glows from within.
void ControllerView::paintActivityLamp(QPainter &painter) const
{
    const QRectF frame = Layout::activityLamp;
    const qreal radius = lampRadius();
    QPainterPath lens;
    lens.addEllipse(frame.center(), radius, radius);
    painter.save();
    // The light spills a little onto the metal around the socket.
    QRadialGradient halo(frame.center(), lampHaloRadius);
    halo.setColorAt(0.5, Style::lampHalo);
    halo.setColorAt(1, Qt::transparent);
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(frame.center(), lampHaloRadius, lampHaloRadius);
    painter.setClipPath(lens, Qt::IntersectClip);
    painter.drawImage(frame, ConsoleSkin::sprite(u"offSwitch", m_scale * devicePixelRatioF()));
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    const qreal dome = radius * 0.78;
    QRadialGradient glow(frame.center(), dome, frame.center() - QPointF(dome * 0.25, dome * 0.3));
    glow.setColorAt(0, Style::lampCore);
    glow.setColorAt(0.55, Style::lampGlow);
    glow.setColorAt(1, QColor(255, 120, 20, 0));
    painter.fillPath(lens, glow);
    painter.restore();
}

} // namespace telvora
