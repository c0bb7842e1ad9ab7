#include "Telvora/Session/ExampleDocument.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::ExampleDocument {

QString sourceName() { return u"Exemplo · ideias.txt"_s; }

QString sourceText()
{
    return u"Ana: Toda ideia começa com uma pergunta. A curiosidade nos permite descobrir novos caminhos.\n\n"
           u"Bruno: E cresce quando encontra espaço. Quando compartilhamos perguntas, ouvimos experiências diferentes "
           u"e aprendemos juntos.\n\n"
           u"Ana: O resto é construção, passo a passo. Uma ideia precisa de prática, escuta e tempo para amadurecer."_s;
}

QString outputText()
{
    return u"O espaço das ideias\n\n"
           u"Introdução\n\n"
           u"A conversa entre Ana e Bruno revela como o processo criativo nasce do encontro entre perguntas, "
           u"experiências e diferentes pontos de vista. Ao longo do diálogo, eles mostram que criar é um movimento "
           u"contínuo de exploração, escuta e construção conjunta.\n\n"
           u"Ana traz a curiosidade como ponto de partida, enquanto Bruno destaca a importância de dar espaço às "
           u"ideias, permitindo que elas amadureçam por meio do diálogo e da prática.\n\n"
           u"Pontos principais\n\n"
           u"1. Curiosidade — Toda ideia começa com uma pergunta. A curiosidade abre espaço para novos caminhos.\n\n"
           u"2. Diálogo — A escuta e a troca de experiências ampliam o pensamento e conectam perspectivas.\n\n"
           u"3. Prática — É na construção passo a passo que as ideias ganham forma, são testadas e ajustadas.\n\n"
           u"Conclusão\n\n"
           u"Curiosidade, diálogo e prática formam um ciclo que transforma o pensamento em ação. Dar tempo e espaço a esse processo permite que novas possibilidades apareçam."_s;
}

} // namespace telvora::ExampleDocument
