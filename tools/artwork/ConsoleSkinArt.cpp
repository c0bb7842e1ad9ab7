#include "ConsoleSkinArt.h"

#include "Materials.h"
#include "Palette.h"
#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Console/SkinSprites.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace artwork {

namespace Layout = telvora::ConsoleLayout;
namespace Sprites = telvora::SkinSprites;

namespace {

constexpr qreal renderScale = 2;

enum class Cap { ivory, amber, dark };

// Where each kind of cap sits inside a key's frame: the sprites keep a narrow gap on the
// top left and room for the shadow on the bottom right.
QRectF capRect(const QRectF &key, Cap cap)
{
    switch (cap) {
    case Cap::ivory:
        return key.adjusted(0, 1, -1, -1);
    case Cap::amber:
        return key.adjusted(1, 1, -3, -4);
    case Cap::dark:
        return key.adjusted(5, 5, -5, -8);
    }
    return key;
}

qreal capRadius(Cap cap) { return cap == Cap::dark ? 3 : cap == Cap::amber ? 10 : 7; }

class PanelPainter
{
public:
    explicit PanelPainter(QImage &image)
        : m_surface{image,
                    QTransform::fromScale(renderScale, renderScale)
                        .translate(Sprites::panelOrigin.x(), Sprites::panelOrigin.y())}
    {}

    void paint()
    {
        face();
        header();
        sections();
        inputSection();
        transcriptionSection();
        outputSection();
        voiceSection();
        details();
    }

private:
    void face()
    {
        const QPainterPath body = roundedRect(Layout::panel, 12);
        QLinearGradient light(0, 0, 802, 1442);
        light.setColorAt(0, Palette::faceLight);
        light.setColorAt(1, Palette::faceShade);
        fill(m_surface, body, light);
        grain(m_surface, body, 11, 0.05, 0);
        grain(m_surface, body, 12, 0.025, 28);
        bevel(m_surface, body, 3, QColor(255, 255, 255, 190), QColor(0, 0, 0, 120));
    }

    void header()
    {
        const QPainterPath rail = roundedRect(QRectF(58, 4, 688, 52), 7);
        recessedMetal(rail, 21);
        for (int i = 0; i < 3; ++i)
            socket(QPointF(Layout::windowControls.center().x(), Layout::windowControls.top() + 24 + 54 * i), 21);
        recessedMetal(roundedRect(Layout::headerPlate.adjusted(-3, -3, 3, 3), 6), 22);
        ivoryOnPlate(Layout::openKey);
        ivoryOnPlate(Layout::settingsKey);
    }

    void sections()
    {
        for (const QRectF &label :
             {Layout::inputLabel, Layout::transcriptionLabel, Layout::outputLabel, Layout::voiceLabel}) {
            // The band stops short of a key standing beside its label.
            const qreal right = label == Layout::transcriptionLabel ? Layout::openTextKey.left() - 12 : 720;
            const QPainterPath band = roundedRect(QRectF(82, label.top() + 2, right - 82, label.height() - 4), 5);
            fill(m_surface, band, QColor(0, 0, 0, 18));
            innerShadow(m_surface, band, QPointF(0.8, 1.2), 1.5, QColor(0, 0, 0, 110));
            bevelOutside(band);
        }
    }

    void inputSection()
    {
        glass(Layout::sourceDisplay.adjusted(-14, -8, 14, 8), 6);
        glass(Layout::waveform.adjusted(-8, -6, 8, 6), 5);
        waveformGuide();
        key(Layout::playKey, Cap::ivory);
        key(Layout::stopKey, Cap::ivory);
        glass(Layout::speakerSwitch.adjusted(-3, -3, 3, 3), 5);
        glass(Layout::speakerMenu.adjusted(-3, -3, 3, 3), 5);
        key(Layout::transcribeKey, Cap::ivory);
    }

    void transcriptionSection()
    {
        key(Layout::openTextKey, Cap::ivory);
        glass(Layout::transcriptPreview.adjusted(-12, -8, 12, 8), 6);
    }

    void outputSection()
    {
        // Wide enough on the right that the ivory sprite's margin is all well.
        const QRectF column = Layout::kindKey(0).united(Layout::kindKey(4)).adjusted(-3, -2, 7, 3);
        well(roundedRect(column, 9));
        for (int i = 0; i < 5; ++i)
            cap(Layout::kindKey(i), Cap::ivory);
        for (int i = 0; i < 3; ++i)
            key(Layout::lengthKey(i), Cap::dark);
        well(roundedRect(Layout::generateKey.adjusted(-5, -5, 5, 5), 14));
        cap(Layout::generateKey, Cap::amber);
    }

    void voiceSection()
    {
        glass(Layout::voiceSwitch.adjusted(-3, -3, 3, 1), 5);
        glass(Layout::providerPlate.adjusted(-4, -1, 4, 4), 6, false);
        lamp(QRectF(Sprites::offSwitch.rect).translated(-Sprites::panelOrigin).center(), 9, false);
        // The two lamps match in size once each is stretched to the same frame.
        lamp(QRectF(Sprites::onLamp.rect).translated(-Sprites::panelOrigin).center(), 14, true);
        glass(Layout::voiceMenu.adjusted(-3, -3, 3, 3), 6);
        meter();
        key(Layout::listenKey, Cap::ivory);
        key(Layout::exportKey, Cap::ivory);
        // The activity lamp's socket holds its lens, smoked while the lamp is off.
        socket(Layout::activityLamp.center(), 15);
        lamp(Layout::activityLamp.center(), 10.5, false);
        statusWindow();
    }

    void details()
    {
        for (const QPointF &centre : {QPointF(780, 22), QPointF(780, 1420), QPointF(22, 1420), QPointF(22, 1300)})
            screw(centre);
        QFont font(QStringLiteral("Barlow Condensed"), 13);
        font.setPixelSize(13);
        font.setWeight(QFont::DemiBold);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
        engrave(QRectF(420, 1404, 320, 22), font, QStringLiteral("TELVORA  ·  CONSOLE DE EDIÇÃO  T-802"),
                Qt::AlignRight | Qt::AlignVCenter);
    }

    // Pieces

    void recessedMetal(const QPainterPath &path, std::uint32_t seed)
    {
        QLinearGradient shade(path.boundingRect().topLeft(), path.boundingRect().bottomLeft());
        shade.setColorAt(0, Palette::railTop);
        shade.setColorAt(1, Palette::railBottom);
        fill(m_surface, path, shade);
        grain(m_surface, path, seed, 0.06, 40);
        innerShadow(m_surface, path, QPointF(1, 1.6), 2.2, QColor(0, 0, 0, 150));
        bevelOutside(path);
    }

    // The face's chamfer around a recess: dark where it faces away from the light.
    void bevelOutside(const QPainterPath &path)
    {
        const QRectF bounds = path.boundingRect();
        QPainterPathStroker stroker;
        stroker.setWidth(2.4);
        stroker.setJoinStyle(Qt::RoundJoin);
        const QPainterPath ring = stroker.createStroke(path).subtracted(path);
        QLinearGradient edge(bounds.topLeft(), bounds.bottomRight());
        edge.setColorAt(0, QColor(0, 0, 0, 70));
        edge.setColorAt(0.5, QColor(0, 0, 0, 0));
        edge.setColorAt(1, QColor(255, 255, 255, 200));
        fill(m_surface, ring, edge);
    }

    void well(const QPainterPath &path)
    {
        fill(m_surface, path, Palette::well);
        innerShadow(m_surface, path, QPointF(1.2, 2), 2.5, QColor(0, 0, 0, 230));
        bevelOutside(path);
    }

    void key(const QRectF &frame, Cap kind)
    {
        well(roundedRect(frame.adjusted(-3, -2, 3, 3), capRadius(kind) + 3));
        cap(frame, kind);
    }

    void ivoryOnPlate(const QRectF &frame) { cap(frame, Cap::ivory); }

    void cap(const QRectF &frame, Cap kind)
    {
        const QRectF rect = capRect(frame, kind);
        const QPainterPath body = roundedRect(rect, capRadius(kind));
        if (kind == Cap::amber)
            glow(m_surface, body, 9, QColor(255, 150, 40, 150));
        dropShadow(m_surface, body, QPointF(1.4, 2.4), 2.4, QColor(0, 0, 0, 150));
        dropShadow(m_surface, body, QPointF(2.5, 4), 5, QColor(0, 0, 0, 60));

        const Palette::CapColours colours = Palette::cap(int(kind));
        QLinearGradient vertical(rect.topLeft(), rect.bottomLeft());
        vertical.setColorAt(0, colours.top);
        vertical.setColorAt(0.5, colours.middle);
        vertical.setColorAt(1, colours.bottom);
        fill(m_surface, body, vertical);
        // A shallow dish: lighter towards the light, darker towards the far edge.
        QRadialGradient dish(rect.center(), std::max(rect.width(), rect.height()) * 0.62,
                             rect.center() - QPointF(rect.width() * 0.12, rect.height() * 0.18));
        dish.setColorAt(0, colours.glow);
        dish.setColorAt(1, QColor(colours.glow.red(), colours.glow.green(), colours.glow.blue(), 0));
        fill(m_surface, body, dish);
        grain(m_surface, body, 31 + std::uint32_t(rect.top()), kind == Cap::dark ? 0.035 : 0.02, 0);
        bevel(m_surface, body, kind == Cap::dark ? 1.1 : 1.5, colours.highlight, QColor(0, 0, 0, 90));
    }

    // `lit` adds the reflection and the shadow of the rim; the plate that the lamps are
    // cut from stays even, so the lamp sprites sit on the same glass as the display sprite.
    void glass(const QRectF &rect, qreal radius, bool lit = true)
    {
        const QPainterPath window = roundedRect(rect, radius);
        // One even tint inside, so the glass cut from one window matches every other.
        fill(m_surface, window, Palette::glass);
        grain(m_surface, window, 41 + std::uint32_t(rect.top()), 0.012, 0);
        if (!lit) {
            bevelOutside(window);
            return;
        }
        innerShadow(m_surface, window, QPointF(1, 2), 3, QColor(0, 0, 0, 255));
        // A soft reflection along the top of the glass only, clear of the sprites cut below it.
        const qreal band = std::min(18.0, rect.height() * 0.3);
        QLinearGradient sheen(rect.topLeft(), rect.topLeft() + QPointF(0, band));
        sheen.setColorAt(0, QColor(210, 230, 255, 34));
        sheen.setColorAt(1, QColor(210, 230, 255, 0));
        fill(m_surface,
             roundedRect(rect.adjusted(2, 2, -2, 0), radius)
                 .intersected(roundedRect(QRectF(rect.left(), rect.top(), rect.width(), band), 0)),
             sheen);
        bevelOutside(window);
    }

    void waveformGuide()
    {
        const QRectF strip = Layout::waveform;
        QPainterPath line;
        line.addRect(QRectF(strip.left(), strip.center().y() - 0.5, strip.width(), 1));
        fill(m_surface, line, QColor(120, 160, 190, 40));
    }

    void socket(QPointF centre, qreal radius)
    {
        const QPainterPath hole = ellipse(centre, radius);
        QRadialGradient depth(centre, radius);
        depth.setColorAt(0, QColor(32, 32, 34));
        depth.setColorAt(1, QColor(14, 14, 15));
        fill(m_surface, hole, depth);
        innerShadow(m_surface, hole, QPointF(1, 1.6), 2.2, QColor(0, 0, 0, 240));
        bevelOutside(hole);
    }

    void lamp(QPointF centre, qreal radius, bool on)
    {
        const QPainterPath bezel = ellipse(centre, radius + 2.6);
        dropShadow(m_surface, bezel, QPointF(0.8, 1.4), 1.6, QColor(0, 0, 0, 200));
        QLinearGradient ring(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
        ring.setColorAt(0, QColor(200, 202, 206));
        ring.setColorAt(1, QColor(70, 72, 76));
        fill(m_surface, bezel, ring);
        const QPainterPath dome = ellipse(centre, radius);
        if (on)
            glow(m_surface, ellipse(centre, radius * 1.05), radius * 0.2, QColor(255, 150, 40, 200));
        QRadialGradient body(centre, radius, centre - QPointF(radius * 0.3, radius * 0.35));
        if (on) {
            body.setColorAt(0, QColor(255, 246, 210));
            body.setColorAt(0.35, QColor(255, 196, 90));
            body.setColorAt(0.8, QColor(235, 122, 22));
            body.setColorAt(1, QColor(170, 70, 10));
        } else {
            body.setColorAt(0, QColor(96, 74, 62));
            body.setColorAt(0.5, QColor(52, 38, 32));
            body.setColorAt(1, QColor(18, 14, 13));
        }
        fill(m_surface, dome, body);
        innerShadow(m_surface, dome, QPointF(0.4, 0.8), 1.2, QColor(0, 0, 0, 130));
        QRadialGradient spark(centre - QPointF(radius * 0.35, radius * 0.42), radius * 0.42);
        spark.setColorAt(0, QColor(255, 255, 255, on ? 220 : 150));
        spark.setColorAt(1, QColor(255, 255, 255, 0));
        fill(m_surface, ellipse(centre - QPointF(radius * 0.35, radius * 0.42), radius * 0.42), spark);
    }

    void meter()
    {
        const QRectF bezelRect(443, 1150, 218, 152);
        const QRectF scaleRect(455, 1162, 190, 128);
        const QPainterPath bezelPath = roundedRect(bezelRect, 8);
        dropShadow(m_surface, bezelPath, QPointF(1.5, 3), 4, QColor(0, 0, 0, 120));
        fill(m_surface, bezelPath, Palette::bezel);
        grain(m_surface, bezelPath, 61, 0.03, 0);
        bevel(m_surface, bezelPath, 1.6, QColor(255, 255, 255, 90), QColor(0, 0, 0, 160));

        const QPainterPath face = roundedRect(scaleRect, 4);
        QRadialGradient paper(Layout::needlePivot, 150, Layout::needlePivot - QPointF(0, 60));
        paper.setColorAt(0, Palette::creamLight);
        paper.setColorAt(1, Palette::cream);
        fill(m_surface, face, paper);
        grain(m_surface, face, 62, 0.025, 0);
        scaleMarks();
        innerShadow(m_surface, face, QPointF(1, 2), 4, QColor(40, 25, 0, 200));
        fill(m_surface, ellipse(Layout::needlePivot, 7), QColor(28, 28, 30));
        bevel(m_surface, ellipse(Layout::needlePivot, 7), 1, QColor(255, 255, 255, 110), QColor(0, 0, 0, 0));
        // The glass over the scale catches the light in one diagonal band.
        QLinearGradient sheen(scaleRect.topLeft(), scaleRect.bottomRight());
        sheen.setColorAt(0, QColor(255, 255, 255, 70));
        sheen.setColorAt(0.32, QColor(255, 255, 255, 18));
        sheen.setColorAt(0.33, QColor(255, 255, 255, 0));
        fill(m_surface, face, sheen);
    }

    QPointF onArc(qreal level, qreal radius) const
    {
        const qreal angle = (Layout::needleRestAngle + Layout::needleSweep * level) * std::numbers::pi / 180;
        return Layout::needlePivot + QPointF(std::sin(angle) * radius, -std::cos(angle) * radius);
    }

    void scaleMarks()
    {
        QPainter painter(&m_surface.image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(m_surface.transform);
        const qreal radius = 80;
        const qreal redFrom = 0.78;
        QPainterPath arc;
        for (int i = 0; i <= 100; ++i) {
            const QPointF point = onArc(i / 100.0, radius);
            i == 0 ? arc.moveTo(point) : arc.lineTo(point);
        }
        painter.setPen(QPen(Palette::ink, 1.1));
        painter.drawPath(arc);
        QPainterPath red;
        for (int i = 0; i <= 20; ++i) {
            const QPointF point = onArc(redFrom + (1 - redFrom) * i / 20.0, radius + 3);
            i == 0 ? red.moveTo(point) : red.lineTo(point);
        }
        painter.setPen(QPen(Palette::meterRed, 5, Qt::SolidLine, Qt::FlatCap));
        painter.drawPath(red);
        struct Mark
        {
            qreal level;
            const char16_t *text;
        };
        const Mark marks[] = {{0, u"20"},   {0.3, u"10"}, {0.45, u"7"}, {0.57, u"5"},
                              {0.67, u"3"}, {0.78, u"0"}, {1, u"+3"}};
        QFont font(QStringLiteral("Barlow Condensed"));
        font.setPixelSize(11);
        font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        for (const Mark &mark : marks) {
            painter.setPen(QPen(mark.level >= redFrom ? Palette::meterRed : Palette::ink, 1.3));
            painter.drawLine(onArc(mark.level, radius), onArc(mark.level, radius + 8));
            const QPointF at = onArc(mark.level, radius + 17);
            painter.drawText(QRectF(at.x() - 12, at.y() - 7, 24, 14), Qt::AlignCenter, QString::fromUtf16(mark.text));
        }
        painter.setPen(QPen(Palette::ink, 0.9));
        for (int i = 1; i < 20; ++i) {
            const qreal level = i / 20.0;
            painter.drawLine(onArc(level, radius), onArc(level, radius + 4));
        }
        font.setPixelSize(16);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        painter.setFont(font);
        painter.setPen(Palette::ink);
        painter.drawText(QRectF(530, 1226, 60, 20), Qt::AlignCenter, QStringLiteral("VU"));
    }

    void statusWindow()
    {
        const QPainterPath label = roundedRect(Layout::statusDisplay.adjusted(-5, -4, 5, 4), 4);
        fill(m_surface, label, Palette::creamLight);
        grain(m_surface, label, 71, 0.03, 0);
        innerShadow(m_surface, label, QPointF(1, 1.6), 2.5, QColor(50, 35, 0, 170));
        bevelOutside(label);
    }

    void screw(QPointF centre)
    {
        const QPainterPath head = ellipse(centre, 6.5);
        dropShadow(m_surface, head, QPointF(0.6, 1), 1, QColor(0, 0, 0, 120));
        QRadialGradient metal(centre, 6.5, centre - QPointF(2, 2.5));
        metal.setColorAt(0, QColor(235, 236, 238));
        metal.setColorAt(1, QColor(130, 132, 136));
        fill(m_surface, head, metal);
        QPainterPath slot;
        slot.addRect(QRectF(-4.5, -0.8, 9, 1.6));
        fill(m_surface, QTransform().translate(centre.x(), centre.y()).rotate(-35).map(slot), QColor(60, 62, 66));
        bevel(m_surface, head, 0.8, QColor(255, 255, 255, 160), QColor(0, 0, 0, 110));
    }

    // Engraved lettering: the cut catches the light on its lower edge.
    void engrave(const QRectF &rect, const QFont &font, const QString &text, Qt::Alignment alignment)
    {
        QPainter painter(&m_surface.image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setTransform(m_surface.transform);
        painter.setFont(font);
        painter.setPen(QColor(255, 255, 255, 170));
        painter.drawText(rect.translated(0.5, 0.8), alignment, text);
        painter.setPen(QColor(40, 42, 46, 200));
        painter.drawText(rect, alignment, text);
    }

    Surface m_surface;
};

} // namespace

QImage consoleSkinSharp()
{
    QImage image(Sprites::minimumSkinSize * renderScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    PanelPainter(image).paint();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage consoleSkin(const QImage &sharp)
{
    return sharp.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(Sprites::minimumSkinSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace artwork
