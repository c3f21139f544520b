// The help of vri-batch, in Portuguese, for the support technician.
#include <string>

#include "cli/batch.h"

#ifndef VRI_VERSION
#define VRI_VERSION "0.0.0"
#endif

namespace {

const char kGeneral[] =
    "Uso: vri-batch [--root PASTA] [--company CÓDIGO] [--messages ARQUIVO] COMANDO [opções]\n"
    "     vri-batch --help | -h | /? | ajuda [COMANDO]\n"
    "     vri-batch --version\n"
    "\n"
    "Faz as tarefas do Vri sem janelas, com as mesmas rotinas e as mesmas mensagens\n"
    "dos diálogos.\n"
    "\n"
    "Comandos:\n"
    "  palm-export     gera os arquivos de troca do Palm (como \"Exportar\")\n"
    "  palm-import     importa os pedidos do Palm como orçamentos (como \"Importar\")\n"
    "                  (--check: o ensaio, sem gravar nada)\n"
    "  sintegra        faz a impressora fiscal gravar o Sintegra.txt do mês e o põe\n"
    "                  em ordem (como \"Gerar Sintegra\")\n"
    "  sintegra-sort   põe em ordem um arquivo Sintegra já gravado\n"
    "  sintegra-check  confere um arquivo Sintegra pelo leiaute do Convênio 57/95\n"
    "  doctor          diz o que está errado na pasta de dados, sem gravar nada\n"
    "\n"
    "Opções gerais (antes do comando):\n"
    "  --company CÓDIGO    empresa a usar, só algarismos. Um código que não está no\n"
    "                      F00R0.DAT para qualquer comando antes de tocar em algo\n"
    "                      (saída 1). Sem --company: 00001, ou, se ela não está no\n"
    "                      F00R0.DAT, a empresa usada por último (C11.DAT), com um aviso.\n"
    "  --root PASTA        ensaio: a PASTA faz as vezes da unidade C: (só da C:). Os\n"
    "                      caminhos digitados (--library, --folder, ARQUIVO, --messages)\n"
    "                      valem como digitados, a partir da pasta de início, e nunca\n"
    "                      são levados para dentro da PASTA."
#if !defined(_WIN32)
    "\n"
    "                      Fora do Windows é obrigatória (ou a variável VRI_ROOT),\n"
    "                      menos para sintegra-sort e sintegra-check."
#endif
    "\n"
    "  --messages ARQUIVO  acrescenta cada mensagem ao ARQUIVO, uma linha JSON em UTF-8\n"
    "                      (campos icon, caption, text e, quando há, detail); os erros\n"
    "                      de uso também.\n"
    "  --version           mostra a versão do programa.\n"
    "\n"
    "O que aparece:\n"
    "  Na saída padrão, a empresa carregada (código e registro) e o que o comando\n"
    "  fez. Na saída de erros, uma linha por mensagem: \"erro\", \"aviso\" ou\n"
    "  \"informação\", o título da mensagem entre colchetes e o texto (quebras de\n"
    "  linha do texto aparecem como \" — \"). Quando a mensagem não diz o motivo,\n"
    "  vem depois uma linha \"detalhe: ...\" com o caminho e o motivo dado pelo\n"
    "  sistema. No console do Windows os acentos saem certos em qualquer página\n"
    "  de código; redirecionada para um arquivo ou outro programa, a saída é UTF-8.\n"
    "\n"
    "Códigos de saída (para agendamentos):\n"
    "  0  sucesso, e nenhuma mensagem de erro no caminho\n"
    "  1  falha, ou alguma mensagem de erro (item recusado, pedido que ficou para a\n"
    "     próxima importação, versão da biblioteca que não respondeu...)\n"
    "  2  erro de uso: nada foi feito\n"
    "  3  nada a fazer (palm-import sem Cabecalho.txt e sem Itens.txt na pasta,\n"
    "     também quando outra importação acabou de levá-los)\n"
    "  Com --messages ARQUIVO, cada linha JSON traz \"time\" e \"company\", e a última\n"
    "  diz \"Fim: código de saída N.\".\n"
    "\n"
    "Exemplo de ensaio, sem tocar no C:\\Kmar verdadeiro:\n"
    "  vri-batch --root C:\\Ensaio sintegra --month 03/2026 --library simulador\\Bemafi32.dll\n"
    "\n"
    "Ajuda de um comando: vri-batch COMANDO --help\n";

const char kPalmExport[] =
    "Uso: vri-batch [opções gerais] palm-export [--folder PASTA]\n"
    "\n"
    "Gera os dezesseis arquivos de troca do Palm da empresa, como o botão\n"
    "\"Exportar\" do diálogo do Palm.\n"
    "\n"
    "  --folder PASTA  pasta de troca (padrão C:\\Palm); um caminho relativo vale a\n"
    "                  partir da pasta de início.\n"
    "\n"
    "Códigos de saída: 0 gerado, 1 falha, 2 erro de uso.\n"
    "\n"
    "Exemplo:\n"
    "  vri-batch --company 00001 palm-export --folder C:\\Palm\n";

const char kPalmImport[] =
    "Uso: vri-batch [opções gerais] palm-import [--folder PASTA] [--check]\n"
    "\n"
    "Importa os pedidos tirados no Palm (Cabecalho.txt e Itens.txt da pasta) como\n"
    "orçamentos da empresa, como o botão \"Importar\" do diálogo do Palm. Cada\n"
    "arquivo de pedidos separado fica como .bak e também, com data e hora no nome,\n"
    "em PASTA\\Vri-importados (por exemplo Cabecalho-20260812-143005.txt).\n"
    "Cada item recusado diz o pedido, a linha em Itens.txt e o produto.\n"
    "\n"
    "  --folder PASTA  pasta de troca (padrão C:\\Palm); um caminho relativo vale a\n"
    "                  partir da pasta de início.\n"
    "  --check         ensaio: lê os pedidos e os cadastros e decide cada pedido e\n"
    "                  item como a importação, mostra cada item que seria recusado\n"
    "                  e cada parada com a mensagem da importação e termina com\n"
    "                  \"N orçamentos seriam importados; N itens seriam recusados.\".\n"
    "                  Não grava nada (nem orçamento, nem contador, nem diário, nem\n"
    "                  arquivo de pedidos, .bak ou trava).\n"
    "\n"
    "Códigos de saída: 0 importado inteiro, 1 falha ou alguma mensagem de erro\n"
    "(item recusado) ou pedido pendente para a próxima importação, 2 erro de uso,\n"
    "3 nada a fazer (a pasta não tem Cabecalho.txt nem Itens.txt, também quando\n"
    "outra importação os levou enquanto esta esperava: um agendamento a cada poucos\n"
    "minutos não vê falha quando não há pedido).\n"
    "Com --check: 0 todos os pedidos seriam importados inteiros, 1 algum item seria\n"
    "recusado ou a importação pararia, 3 nenhum pedido.\n"
    "\n"
    "Exemplos:\n"
    "  vri-batch --company 00001 palm-import --folder C:\\Palm --check\n"
    "  vri-batch --company 00001 palm-import --folder C:\\Palm\n";

const char kSintegra[] =
    "Uso: vri-batch [opções gerais] sintegra --month MM/AAAA [opções]\n"
    "\n"
    "Faz a biblioteca da impressora fiscal (Bemafi32.dll) gravar o arquivo Sintegra\n"
    "do mês em C:\\Kmar\\Arquivos\\Sintegra.txt e põe os registros na ordem do leiaute,\n"
    "como o botão \"Gerar Sintegra\" do diálogo da impressora fiscal. Antes mostra a\n"
    "versão da biblioteca.\n"
    "\n"
    "  --month MM/AAAA     mês e ano (obrigatório)\n"
    "  --report N          relatório pedido à biblioteca (padrão 39)\n"
    "  --name T            razão social (até 35 caracteres)\n"
    "  --street T          logradouro (34)      --number T     número (5)\n"
    "  --complement T      complemento (22)     --district T   bairro (15)\n"
    "  --city T            município (30)       --cep T        CEP (9)\n"
    "  --phone T           telefone (12)        --fax T        fax (10)\n"
    "  --contact T         contato (18)\n"
    "  --check             confere o arquivo gerado (como sintegra-check); com erro\n"
    "                      sai com 1 e o arquivo fica no lugar.\n"
    "  --library CAMINHO   biblioteca a usar, como digitada. Sem ela vale a\n"
    "                      Bemafi32.dll de 32 bits da busca do Windows (pasta do\n"
    "                      programa, depois a pasta do sistema: SysWOW64 no Windows de\n"
    "                      64 bits).\n"
    "\n"
    "Os textos podem ter acentos (Windows-1252).\n"
    "\n"
    "Códigos de saída: 0 gerado, 1 falha, 2 erro de uso.\n"
    "\n"
    "Exemplo:\n"
    "  vri-batch sintegra --month 03/2026 --name \"Mercearia São João Ltda\" --city \"São Paulo\"\n";

const char kSintegraSort[] =
    "Uso: vri-batch [opções gerais] sintegra-sort ARQUIVO\n"
    "\n"
    "Põe em ordem os registros de um arquivo Sintegra já gravado e o regrava com\n"
    "CR LF. Recusa, sem tocar nele, um arquivo que não é Sintegra (uma linha que\n"
    "não começa com dois dígitos, nenhuma quebra de linha, um byte nulo).\n"
    "\n"
    "  ARQUIVO  o arquivo, como digitado, a partir da pasta de início.\n"
    "\n"
    "Códigos de saída: 0 ordenado, 1 falha ou arquivo recusado, 2 erro de uso.\n"
    "\n"
    "Exemplo:\n"
    "  vri-batch sintegra-sort C:\\Kmar\\Arquivos\\Sintegra.txt\n";

const char kSintegraCheck[] =
    "Uso: vri-batch [opções gerais] sintegra-check ARQUIVO\n"
    "\n"
    "Confere um arquivo Sintegra pelo leiaute do Convênio ICMS 57/95: tamanho dos\n"
    "registros, CR LF, campos, datas e período, ordem, totais do registro 90 e as\n"
    "referências entre registros. Cada falha é uma mensagem com a linha e o código\n"
    "(S01...): erro quando a regra é certa, aviso quando é uma leitura do leiaute.\n"
    "Com --messages cada linha JSON traz também line e code.\n"
    "\n"
    "  ARQUIVO  o arquivo, como digitado, a partir da pasta de início.\n"
    "\n"
    "Códigos de saída: 0 sem erro (pode haver avisos), 1 com erro, 2 arquivo que não\n"
    "pôde ser lido ou erro de uso.\n"
    "\n"
    "Exemplo:\n"
    "  vri-batch sintegra-check C:\\Kmar\\Arquivos\\Sintegra.txt\n";

const char kDoctor[] =
    "Uso: vri-batch [opções gerais] doctor [--folder PASTA] [--library CAMINHO]\n"
    "\n"
    "Lê a pasta do produto, os arquivos da empresa, a pasta de troca do Palm e a\n"
    "biblioteca da impressora e diz, uma mensagem por achado, o que está errado. Não\n"
    "grava nada. Cada achado tem um código (com --messages, nas linhas JSON \"code\"\n"
    "e \"path\"):\n"
    "  D01 erro   arquivo de registros cortado (não tem um número inteiro de registros)\n"
    "  D02 erro   contador do F34.DAT que não é número ou está atrás dos documentos\n"
    "  D03 aviso  documento começado e não terminado no diário (a próxima importação\n"
    "             o desfaz)\n"
    "  D04 aviso  arquivo temporário de uma execução que não está mais rodando\n"
    "  D05 aviso  pedidos esperando na pasta de troca\n"
    "  D06 erro   tabelas do Palm de duas exportações (uma parou no meio)\n"
    "  D07 erro   biblioteca da impressora que falta, não carrega ou não tem uma função\n"
    "  D08 erro   empresa que não está no F00R0.DAT, sem C11.DAT que indique outra\n"
    "\n"
    "  --folder PASTA      a pasta de troca (padrão: a que o diálogo do Palm lembra no\n"
    "                      F37.DAT, senão C:\\Palm)\n"
    "  --library CAMINHO   a biblioteca da impressora (padrão: a do comando sintegra)\n"
    "\n"
    "Códigos de saída: 0 sem erro (pode haver avisos), 1 com erro, 2 erro de uso.\n";

}  // namespace

bool IsHelpWord(const std::string& word) {
  return word == "--help" || word == "-h" || word == "/?" || word == "-?" || word == "ajuda";
}

std::string HelpText(const std::string& command) {
  if (command.empty()) return kGeneral;
  if (command == "palm-export") return kPalmExport;
  if (command == "palm-import") return kPalmImport;
  if (command == "sintegra") return kSintegra;
  if (command == "sintegra-sort") return kSintegraSort;
  if (command == "sintegra-check") return kSintegraCheck;
  if (command == "doctor") return kDoctor;
  return "";
}

std::string VersionText() { return "vri-batch " VRI_VERSION; }
