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

// Listening while correcting a transcript.
inline constexpr QStringView recordingMenu = u"Gravação";
inline constexpr QStringView playPause = u"Reproduzir ou pausar a gravação";
inline constexpr QStringView rewind = u"Voltar 5 segundos";
inline constexpr QStringView playParagraph = u"Ouvir a partir deste parágrafo";
inline constexpr QStringView paragraphWithoutSegment =
    u"Este parágrafo não corresponde mais a um trecho da gravação; nada foi reproduzido.";

// Renaming a speaker.
inline constexpr QStringView renameSpeaker = u"Renomear falante…";
inline constexpr QStringView renameTitle = u"Renomear falante";
// %1 is the current name.
inline constexpr QStringView renameLabel = u"Novo nome para “%1” em todos os parágrafos:";
inline constexpr QStringView noSpeakerHere = u"Este parágrafo não começa com o nome de um falante.";
inline constexpr QStringView invalidSpeakerName = u"Use um nome de até 60 caracteres, sem “: ” nem quebras de linha.";
// %1 is the new name, %2 how many paragraphs changed.
inline constexpr QStringView speakerRenamed = u"Falante renomeado para “%1” em %2 parágrafo(s)";

} // namespace telvora::ReaderTexts
