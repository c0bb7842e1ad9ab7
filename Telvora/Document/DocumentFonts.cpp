#include "Telvora/Document/DocumentFonts.h"

#include "TelvoraCore/Support/ResourceBundle.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace telvora::DocumentFonts {

namespace {

constexpr QStringView substituteFamily = u"Gelasio";
constexpr std::array<QStringView, 4> faces{u"Gelasio-Regular", u"Gelasio-Bold", u"Gelasio-Italic",
                                           u"Gelasio-BoldItalic"};

} // namespace

bool install(const ResourceBundle &bundle)
{
    // The font database belongs to the GUI application; without one there is nothing to register.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    bool complete = true;
    for (const QStringView face : faces) {
        const std::optional<QString> file = bundle.resource(face.toString(), u"ttf"_s);
        const int id = file ? QFontDatabase::addApplicationFont(*file) : -1;
        complete = complete && id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(substituteFamily);
    }
    QFont::insertSubstitution(serifFamily.toString(), substituteFamily.toString());
    return complete;
}

} // namespace telvora::DocumentFonts
