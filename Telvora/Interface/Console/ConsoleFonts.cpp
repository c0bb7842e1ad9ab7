#include "Telvora/Interface/Console/ConsoleFonts.h"

#include "TelvoraCore/Support/ResourceBundle.h"

#include <QFontDatabase>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace telvora::ConsoleFonts {

namespace {

constexpr std::array<QStringView, 3> resources{u"BarlowCondensed-Regular", u"BarlowCondensed-SemiBold",
                                               u"IBMPlexMono-Regular"};

QFont sized(const QString &family, QFont::Weight weight, int size)
{
    QFont font(family);
    font.setPixelSize(size);
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

int registerAll(const ResourceBundle &bundle)
{
    int registered = 0;
    for (QStringView name : resources) {
        const std::optional<QString> file = bundle.resource(name.toString(), u"ttf"_s);
        if (file && QFontDatabase::addApplicationFont(*file) >= 0)
            ++registered;
    }
    return registered;
}

QFont regular(int size) { return sized(u"Barlow Condensed"_s, QFont::Normal, size); }

QFont semiBold(int size) { return sized(u"Barlow Condensed"_s, QFont::DemiBold, size); }

QFont mono(int size) { return sized(u"IBM Plex Mono"_s, QFont::Normal, size); }

} // namespace telvora::ConsoleFonts
