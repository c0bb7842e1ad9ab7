#pragma once

class QCoreApplication;

namespace telvora {

/// Installs Qt's own Brazilian Portuguese texts (context menus, standard buttons, file
/// dialogs) into `application`, from Qt's translations folder. False when they are not
/// installed; Qt then speaks English.
bool installQtTranslations(QCoreApplication &application);

} // namespace telvora
