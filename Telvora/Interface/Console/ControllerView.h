#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QMenu;
class QMessageBox;

namespace telvora {

class CanvasElement;
class ConsoleKey;
class ConsoleMenuButton;
class ConsoleWindowControls;
class DragStrip;
class LampSwitch;
class ProviderButton;
class Session;
class Workflows;
class SourceDisplay;
class StatusDisplay;
class TextDisplay;

/// The console: the content of the main window. Every element sits at a fixed place on a
/// canvas of 802 × 1442 points, scaled uniformly to fit the window and centred in it; every
/// control shows a session field and calls one session operation.
class ControllerView : public QWidget
{
    Q_OBJECT

public:
    ControllerView(Workflows &workflows, std::function<void()> closeWindow, std::function<void()> minimizeWindow,
                   std::function<void()> zoomWindow, QWidget *parent = nullptr);
    ~ControllerView() override;

    /// The canvas's scale and its place in the widget, as laid out now.
    qreal canvasScale() const { return m_scale; }
    QRectF canvasRect() const;
    /// The widget rectangle a canvas frame occupies now.
    QRectF toWidget(const QRectF &canvasFrame) const;

    /// The needle's turn from vertical, in degrees (clockwise positive), and its canvas outline.
    static qreal needleAngle(double level);
    /// The bars of the waveform strip, in canvas coordinates.
    static std::vector<QRectF> waveformBars(const QList<double> &waveform);
    /// The second line of the source display.
    static QString sourceInfoLine(double duration, qint64 detectedSpeakers, bool isExample, const QString &sourceText);
    /// The transcript preview's text before wrapping.
    static QString previewText(const QString &sourceText);
    /// The status display's text: the status in upper case; while a transcription reports
    /// progress, the stage's percentage follows on a line of its own.
    static QString statusDisplayText(const QString &status, const std::optional<TranscriptionProgress> &progress);

Q_SIGNALS:
    /// The gear key: the settings sheet should open.
    void settingsRequested();
    /// The speaker menu's last item: the transcription options sheet should open.
    void transcriptionOptionsRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void build(std::function<void()> closeWindow, std::function<void()> minimizeWindow,
               std::function<void()> zoomWindow);
    template<typename Element, typename... Arguments>
    Element *add(Arguments &&...arguments);
    void observeSession();
    void refresh();
    void layOutCanvas();
    void showError();
    void chooseProvider(int index);
    void fillSpeakerMenu(QMenu &menu);
    void fillVoiceMenu(QMenu &menu);
    QString speakerCaption() const;
    QString voiceCaption() const;
    QRectF needleBounds(double level) const;
    const QPixmap &staticLayer();
    void paintStaticLayer(QPainter &painter) const;
    void paintPanel(QPainter &painter) const;
    void paintActivityLamp(QPainter &painter) const;

    Workflows &m_workflows;
    const Session &m_session;
    qreal m_scale = 1;
    QPointF m_origin;
    QPixmap m_staticLayer;
    double m_drawnLevel = 0;
    bool m_lampShown = false;
    std::vector<std::pair<QWidget *, CanvasElement *>> m_elements;

    DragStrip *m_dragStrip = nullptr;
    ConsoleWindowControls *m_windowControls = nullptr;
    ConsoleKey *m_openKey = nullptr;
    ConsoleKey *m_settingsKey = nullptr;
    SourceDisplay *m_sourceDisplay = nullptr;
    ConsoleKey *m_playKey = nullptr;
    ConsoleKey *m_stopKey = nullptr;
    LampSwitch *m_speakerSwitch = nullptr;
    ConsoleMenuButton *m_speakerMenu = nullptr;
    ConsoleKey *m_transcribeKey = nullptr;
    ConsoleKey *m_openTextKey = nullptr;
    TextDisplay *m_preview = nullptr;
    std::array<ConsoleKey *, 5> m_kindKeys{};
    std::array<ConsoleKey *, 3> m_lengthKeys{};
    ConsoleKey *m_generateKey = nullptr;
    LampSwitch *m_voiceSwitch = nullptr;
    std::array<ProviderButton *, 2> m_providerButtons{};
    ConsoleMenuButton *m_voiceMenu = nullptr;
    ConsoleKey *m_listenKey = nullptr;
    ConsoleKey *m_exportKey = nullptr;
    StatusDisplay *m_statusDisplay = nullptr;
    QPointer<QMessageBox> m_alert;
};

} // namespace telvora
