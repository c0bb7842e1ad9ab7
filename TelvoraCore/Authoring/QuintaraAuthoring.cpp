#include "TelvoraCore/Authoring/QuintaraAuthoring.h"

#include "TelvoraCore/Authoring/CoreResources.h"
#include "TelvoraCore/Errors/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace telvora::QuintaraAuthoring {

namespace {

const auto preface = u"Contrato de autoria Quintara incluído no Telvora:\n"_s;

const QStringList closingRules{
    u"Aplicação deste contrato no Telvora:"_s,
    u"- Planeje a progressão da apresentação antes de escrever: público inferido da fonte, mensagem central, abertura, desenvolvimento e fechamento. Uma ideia por slide; detalhes e ressalvas nas notas ^."_s,
    u"- Considere todo o repertório documentado e escolha o que melhora a compreensão: layouts, colunas, tabelas, citações, fórmulas, código com destaques, notas, links, diagramas, imagens e mídia fornecida. Não há cota de recursos nem obrigação de ilustrar todo slide. Não invente dados para preencher uma tabela ou diagrama."_s,
    u"- Para processos e relações descritos na fonte, entregue diagramas completos e editáveis em ascii ou mermaid. Use ascii para fluxos compactos e Mermaid simples para relações com layout automático. Preserve o código; conversão para bitmap ou ASCII é uma escolha posterior no Quintara."_s,
    u"- Para cenas e metáforas que esclareçam a mensagem, escreva um ART concreto no slide correspondente: assunto, composição, espaço para o texto, estilo, paleta/contraste e exclusões. ART já produz o placeholder nativo do Quintara. Nunca crie PNG de placeholder, caminho de arquivo futuro ou ART-RESULT. Gerar, revisar e inserir a imagem continua sendo uma ação do usuário no Quintara."_s,
    u"- Só use mídia que a fonte identifique explicitamente como fornecida. Um exemplo de caminho nas referências não é um asset disponível. O Telvora não copia nem verifica arquivos mencionados no texto; não afirme que estão empacotados. Se não houver imagem fornecida, prefira ART quando útil. Preserve referências reais e presets opacos ao adaptar um deck existente."_s,
    u"- Pixelização, dither, paletas, presets e conversão de diagramas em imagem são controles do Quintara, não diretivas para inventar no Markdown."_s,
    u"- Use as informações disponíveis sem inventar conexões, autoria ou citações. Como esta geração retorna um documento sem diálogo intermediário, quando faltarem etapas de um processo, apresente apenas o que está fundamentado e registre a lacuna nas notas; não fabrique o fluxo."_s,
    u"- Antes de entregar, revise o deck pelo checklist de references/validation.md: confira sintaxe, densidade, legibilidade, oportunidades de diagramas ou imagens que ajudem, visuais redundantes e fidelidade à fonte. Corrija o documento nessa mesma resposta; não exponha o planejamento nem o checklist."_s,
    u"- Saída final: Markdown puro em português brasileiro, sem cerca externa, relatório de revisão ou promessa de imagens já geradas. Cabeçalhos contíguos no topo; cercas internas dos diagramas preservadas."_s,
};

TelvoraError incomplete(const QString &path)
{
    return TelvoraError(u"O guia Quintara está incompleto ("_s + path
                        + u"). Atualize os recursos e recompile o Telvora."_s);
}

QString readSection(const QDir &folder, const QString &path)
{
    QFile file(folder.filePath(path));
    if (!file.open(QIODevice::ReadOnly))
        throw incomplete(path);
    // Validated as a whole: a streaming decoder would silently hold back a sequence cut at the end.
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || !QByteArrayView(bytes).isValidUtf8())
        throw incomplete(path);
    const QString text = QString::fromUtf8(bytes);
    if (text.trimmed().isEmpty())
        throw incomplete(path);
    return u"--- Referência Quintara: "_s + path + u" ---\n"_s + text;
}

} // namespace

const QStringList &documents()
{
    static const QStringList paths{u"SKILL.md"_s, u"references/syntax.md"_s, u"references/commands.md"_s,
                                   u"references/media.md"_s, u"references/validation.md"_s};
    return paths;
}

QString instructions()
{
    const QString bundle = CoreResources::bundlePath();
    if (bundle.isEmpty())
        throw TelvoraError(u"O bundle do guia Quintara está ausente. Recompile o Telvora com seus recursos."_s);
    const QString folder = QDir(bundle).filePath(u"QuintaraAuthoring"_s);
    if (!QFileInfo(folder).isDir())
        throw TelvoraError(u"O guia Quintara está ausente deste build. Recompile o Telvora com seus recursos."_s);
    return instructions(folder);
}

QString instructions(const QString &guideFolder)
{
    const QDir folder(guideFolder);
    QStringList sections;
    for (const QString &path : documents())
        sections.append(readSection(folder, path));
    return preface + sections.join(u"\n\n"_s) + u"\n\n"_s + closingRules.join(u'\n');
}

} // namespace telvora::QuintaraAuthoring
