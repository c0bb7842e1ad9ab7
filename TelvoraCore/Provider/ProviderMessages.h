#pragma once

#include <QString>
#include <QStringView>

namespace telvora::ProviderMessages {

// The provider client's own sentences, shown to the user unchanged.
inline constexpr QStringView missingKey = u"Configure a chave de API do provedor em Chaves de API.";
inline constexpr QStringView invalidResponse = u"Resposta inválida do provedor.";
inline constexpr QStringView permission = u"A chave ou a permissão da conta não permite esta operação.";
inline constexpr QStringView usageLimit =
    u"Limite de uso ou saldo do provedor atingido. Tente novamente depois de conferir sua conta.";
inline constexpr QStringView refusedBefore = u"O provedor recusou a operação (HTTP ";
inline constexpr QStringView refusedAfter = u"). Confira modelo, voz e disponibilidade na sua conta.";

inline constexpr QStringView invalidText = u"Resposta de texto inválida.";
inline constexpr QStringView incomplete =
    u"A geração não foi concluída. O documento anterior foi preservado; tente uma extensão menor.";
inline constexpr QStringView refusal = u"O provedor não gerou este conteúdo.";
inline constexpr QStringView noDocument = u"O provedor retornou uma resposta sem documento.";

inline constexpr QStringView invalidModels = u"Lista de modelos inválida. O modelo atual foi preservado.";
inline constexpr QStringView invalidElevenModels = u"Lista de modelos ElevenLabs inválida.";
inline constexpr QStringView invalidVoices = u"Lista de vozes inválida.";
inline constexpr QStringView partialVoices =
    u"A lista de vozes não pôde ser carregada por completo. Tente atualizar novamente.";

inline constexpr QStringView selectElevenVoice = u"Selecione uma voz da ElevenLabs.";
inline constexpr QStringView compatibleVoiceBefore = u"Escolha uma voz compatível com ";
inline constexpr QStringView compatibleVoiceAfter = u" no painel de voz.";

inline constexpr QStringView speechDelivery =
    u"Fale em português brasileiro, com entonação natural, calor humano e pausas coerentes. "
    u"Respeite o sentido e a emoção de cada frase, sem teatralizar.";

// Transport failures carry the platform's description; these only word the idle timeout.
inline constexpr QStringView idleTimeoutBefore = u"O provedor não respondeu em ";
inline constexpr QStringView idleTimeoutAfter = u".";
inline constexpr QStringView cutShort =
    u"A resposta do provedor chegou incompleta: a conexão foi encerrada antes do fim. Tente novamente.";
inline constexpr QStringView notResent =
    u"A conexão com o provedor foi encerrada sem resposta. O pedido não foi reenviado, para não ser cobrado "
    u"duas vezes; tente novamente.";
inline constexpr QStringView tooLargeBefore = u"A resposta do provedor passou do limite de ";
inline constexpr QStringView tooLargeAfter = u" e foi recusada.";
inline constexpr QStringView unknownEncoding = u"O provedor enviou a resposta numa compressão desconhecida.";

} // namespace telvora::ProviderMessages
