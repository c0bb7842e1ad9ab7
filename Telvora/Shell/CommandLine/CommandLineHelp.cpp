#include "Telvora/Shell/CommandLine/CommandLineHelp.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::CommandLineHelp {

namespace {

const auto generalText = uR"(Uso: telvora [ARQUIVO…]
       telvora <comando> [opções] ARQUIVO…

Sem comando, abre o Telvora com suas janelas (e os arquivos indicados).

Comandos, sem janela, para lotes e scripts:
  transcribe   transcreve gravações nesta máquina (JSON, e texto, SRT ou VTT)
  generate     faz um documento editorial de cada texto ou gravação
  narrate      narra cada documento (M4A, ou MP3 quando há uma só parte)

Cada arquivo é tratado à parte: uma falha não interrompe os demais, e o fim lista o que
falhou e por quê. Ctrl+C cancela o arquivo em andamento sem deixar resultado parcial.

Opções comuns:
  -o, --output PASTA  grava os resultados nessa pasta (padrão: ao lado de cada arquivo)
  --json              uma linha JSON por arquivo na saída padrão; o relato vai para a
                      saída de erro
  -h, --help          mostra esta ajuda, ou a de um comando: telvora transcribe --help

Chaves: as do chaveiro do sistema, como no programa, ou as variáveis
TELVORA_OPENAI_API_KEY e TELVORA_ELEVENLABS_API_KEY (nunca numa opção).

Estado de saída: 0 quando tudo deu certo, 1 quando algum arquivo falhou, 2 para uma
linha de comando inválida, 130 quando interrompido.
)"_s;

const auto transcribeText = uR"(Uso: telvora transcribe [opções] GRAVAÇÃO…

Transcreve cada gravação com a engine local e grava a transcrição em JSON (NOME.json),
de forma atômica, ao lado da gravação ou na pasta de --output. As opções não indicadas
vêm das configurações salvas do Telvora.

Opções:
  -o, --output PASTA         pasta dos resultados
  -f, --format LISTA         formatos a mais, separados por vírgula: txt, srt, vtt
  --model NOME               modelo Whisper (large-v3-turbo, medium, small, …)
  --language CÓDIGO          idioma falado (pt, en, es, …)
  --vocabulary TEXTO         nomes, siglas e contexto que ajudam o reconhecimento
  --speakers N               número de locutores; 0 identifica automaticamente
  --names "Ana, Bruno"       nomes dos locutores na ordem em que falam
  --no-diarization           não identifica os locutores
  --no-timecodes             texto (txt) sem os tempos de cada trecho
  --segmentation-model ARQ   modelo de segmentação de locutores (ONNX)
  --embedding-model ARQ      modelo de identificação de locutores (ONNX)
  --json                     uma linha JSON por arquivo
  -h, --help                 mostra esta ajuda

Exemplo:
  telvora transcribe --language pt --speakers 2 --names "Ana, Bruno" -f txt,srt *.mp3
)"_s;

const auto generateText = uR"(Uso: telvora generate [opções] ARQUIVO…

Faz um documento editorial de cada arquivo com o modelo de texto da OpenAI. Textos,
Markdown, RTF, legendas e transcrições JSON servem como estão; gravações são transcritas
antes, com as opções de transcrição abaixo. O documento é gravado como
NOME-ext-tipo.formato, de forma atômica.

Opções:
  -o, --output PASTA         pasta dos resultados
  --kind TIPO                resumo, sinopse, literaria, instrucional ou quintara
                             (padrão: resumo)
  --length TAMANHO           curta, media ou longa (padrão: media)
  -f, --format FORMATO       txt, md, rtf ou odt (padrão: txt; md para quintara, que
                             aceita só md ou txt)
  --model NOME               modelo de texto (padrão: o das configurações)
  --whisper-model NOME       modelo Whisper para as gravações
  --language, --vocabulary, --speakers, --names, --no-diarization, --no-timecodes,
  --segmentation-model, --embedding-model
                             como em telvora transcribe
  --json                     uma linha JSON por arquivo
  -h, --help                 mostra esta ajuda

Exemplo:
  telvora generate --kind sinopse --length curta -f odt entrevista.mp3 notas.md
)"_s;

const auto narrateText = uR"(Uso: telvora narrate [opções] DOCUMENTO…

Narra cada documento (texto, Markdown, RTF, legenda ou transcrição JSON): um modelo da
OpenAI escreve o roteiro falado, o provedor o fala em partes, e as partes se juntam em
NOME.m4a (NOME.mp3 quando há uma só). As partes ficam no cache de fala do Telvora, o
mesmo do programa, e uma narração repetida paga só o que falta.

Opções:
  -o, --output PASTA         pasta dos resultados
  --provider PROVEDOR        openai ou elevenlabs (padrão: openai)
  --voice VOZ                a voz (padrão na OpenAI: a primeira do modelo; na
                             ElevenLabs é obrigatória: o identificador da voz)
  --model NOME               modelo de fala do provedor (padrão: o das configurações)
  --script-model NOME        modelo de texto que escreve o roteiro
  --json                     uma linha JSON por arquivo
  -h, --help                 mostra esta ajuda

Exemplo:
  TELVORA_OPENAI_API_KEY=… telvora narrate --voice coral resumo.txt
)"_s;

} // namespace

QString general() { return generalText; }

QString forCommand(CommandLineRequest::Command command)
{
    switch (command) {
    case CommandLineRequest::Command::transcribe:
        return transcribeText;
    case CommandLineRequest::Command::generate:
        return generateText;
    case CommandLineRequest::Command::narrate:
        return narrateText;
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace telvora::CommandLineHelp
