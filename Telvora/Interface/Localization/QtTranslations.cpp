#include "Telvora/Interface/Localization/QtTranslations.h"

#include "Telvora/Interface/Localization/QtTranslationGaps.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

bool installQtTranslations(QCoreApplication &application)
{
    // The interface speaks Brazilian Portuguese whatever the user's locale is.
    auto *translator = new QTranslator(&application);
    const QLocale brazilian(QLocale::Portuguese, QLocale::Brazil);
    if (!translator->load(brazilian, u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    if (!QCoreApplication::installTranslator(translator))
        return false;
    // Installed last, so asked first; it answers only what Qt's translation lacks.
    return QCoreApplication::installTranslator(new QtTranslationGaps(&application));
}

} // namespace telvora
