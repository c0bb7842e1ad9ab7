#pragma once

#include <QStringView>

namespace telvora::DocumentTexts {

inline constexpr QStringView openDocumentFailed = u"Não foi possível gravar o documento no formato OpenDocument.";

} // namespace telvora::DocumentTexts
