#include "TelvoraCore/Vocabulary/OutputKind.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QString OutputKind::instruction() const
{
    switch (value()) {
    case summary:
        return u"Escreva um resumo completo com título, Introdução, Pontos principais, Resumo e Conclusão. Preserve os argumentos, nuances e informações relevantes."_s;
    case synopsis:
        return u"Escreva uma sinopse que situe o leitor no tema, na proposta e no contexto, sem spoilers, desfechos ou revelações importantes."_s;
    case literary:
        return u"Reorganize o conteúdo em narrativa fluida, com ritmo de capítulo de livro. Não invente personagens, cenas, falas ou acontecimentos ausentes da fonte."_s;
    case instructional:
        return u"Transforme o material em narrativa instrucional: desenvolva conceitos, relações, passos e exemplos presentes na fonte para que o leitor aprenda. Identifique lacunas sem inventar ensinamentos."_s;
    case quintara:
        return u"Gere uma apresentação Markdown para o Quintara seguindo o skill e todas as referências fornecidas abaixo. Entregue somente o Markdown do arquivo, sem cercar a apresentação inteira com crases."_s;
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace telvora
