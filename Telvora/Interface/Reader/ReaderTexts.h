#pragma once

#include <QStringView>

// The reader window's words.
namespace telvora::ReaderTexts {

inline constexpr QStringView showOutput = u"Ver saída";
inline constexpr QStringView showSource = u"Ver original";
inline constexpr QStringView copy = u"Copiar";
inline constexpr QStringView exportText = u"Exportar";
inline constexpr QStringView openElsewhere = u"Abrir em outro app";

inline constexpr QStringView exampleNote = u"Exemplo para explorar a interface";
inline constexpr QStringView countSeparator = u" · ";
inline constexpr QStringView countSuffix = u" caracteres";

inline constexpr QStringView documentName = u"Documento editável";

// The find bar, which Qt's text view lacks.
inline constexpr QStringView findPlaceholder = u"Buscar no texto";
inline constexpr QStringView findPrevious = u"Anterior";
inline constexpr QStringView findNext = u"Próximo";
inline constexpr QStringView findDone = u"Concluído";
inline constexpr QStringView findNothing = u"Nenhum resultado";

} // namespace telvora::ReaderTexts
