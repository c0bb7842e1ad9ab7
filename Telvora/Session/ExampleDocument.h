#pragma once

#include <QString>

namespace telvora::ExampleDocument {

/// The built-in example shown at launch and by "Abrir exemplo".
QString sourceName();
QString sourceText();
QString outputText();

} // namespace telvora::ExampleDocument
