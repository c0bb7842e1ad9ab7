#pragma once

#include <QStringView>

// The fixed Portuguese texts of the narration script, reproduced character for character.
namespace telvora::NarrationTexts {

inline constexpr QStringView base =
    u"Prepare o documento recebido para narração humana em português brasileiro. Preserve conteúdo e "
    u"sentido. Escreva somente o roteiro falado, sem Markdown, números de slides, timecodes ou "
    u"identificação de locutores. Desenvolva transições naturais, períodos que permitam respirar e ritmo "
    u"correspondente ao tema. ";

inline constexpr QStringView expressionTags =
    u"Use, com parcimônia e quando fizer sentido, as tags de expressão [thoughtful], [curious] e "
    u"[excited]; não acrescente efeitos sonoros ou ações teatrais.";

inline constexpr QStringView noExpressionTags =
    u"Não inclua tags entre colchetes nem instruções cênicas; a entonação deve surgir do ritmo e da "
    u"pontuação.";

inline constexpr QStringView closing = u" Não invente fatos e não leia os comandos de uma apresentação como conteúdo.";

// Characters after which a chunk may end.
inline constexpr QStringView breakCharacters = u"\n.!? ";

} // namespace telvora::NarrationTexts
