// hostagent: the host that loads the automatic closing module and runs its worker, and the
// tools to make a store for it.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>

#include "hostagent/cancel_note_command.h"
#include "hostagent/check_command.h"
#include "hostagent/export_xml_command.h"
#include "hostagent/register_lock.h"
#include "hostagent/reprint_command.h"
#include "hostagent/run_command.h"
#include "hostagent/serve_command.h"
#include "hostagent/status_command.h"
#include "hostagent/store_commands.h"
#include "schema/store_schema.h"
#include "schema/store_upgrade.h"

namespace {

// --dir of every command: an empty text would make the folder the current one.
const CLI::Validator kNotEmpty(
    [](std::string& text) { return text.empty() ? std::string("a pasta nao pode ser vazia") : ""; },
    "PASTA");

const CLI::Validator kExistingFolder(
    [](std::string& text) {
      if (text.empty()) return std::string("a pasta nao pode ser vazia");
      std::error_code ignored;
      return std::filesystem::is_directory(text, ignored) ? std::string()
                                                          : "a pasta '" + text + "' nao existe";
    },
    "PASTA");

// A finite number of seconds, 0 or more; "1e999", "inf", "nan" and negatives are refused.
const CLI::Validator kSeconds(
    [](std::string& text) {
      char* end = nullptr;
      const double value = std::strtod(text.c_str(), &end);
      const bool ok = !text.empty() && *end == '\0' && std::isfinite(value) && value >= 0;
      return ok ? std::string() : "'" + text + "' nao e um numero finito >= 0";
    },
    "SEGUNDOS");

// The register of run, status and reprint; those not given come from Dados/Caixa.ini.
void AddRegister(CLI::App& command, std::string& filial, std::string& caixa, std::string& loja) {
  command.add_option("--filial", filial, "CDFILIAL (padrao: Dados/Caixa.ini)");
  command.add_option("--caixa", caixa, "CDCAIXA (padrao: Dados/Caixa.ini)");
  command.add_option("--loja", loja, "CDLOJA (padrao: Dados/Caixa.ini)");
}

// The required program folder and the register, for the tools that look at one register.
void AddFolderAndRegister(CLI::App& command, std::string& dir, std::string& filial,
                          std::string& caixa, std::string& loja) {
  command.add_option("--dir", dir, "diretorio do programa; deve existir")
      ->required()
      ->check(kExistingFolder);
  AddRegister(command, filial, caixa, loja);
}

void AddRun(CLI::App& app, hostagent::RunOptions& o) {
  CLI::App* run = app.add_subcommand("run", "carrega o modulo e executa a THREAD de um caixa");
  run->add_option("--dir", o.dir, "diretorio do programa (com Dados/); deve existir")
      ->required()
      ->check(kExistingFolder);
  AddRegister(*run, o.filial, o.caixa, o.loja);
  run->add_option("--abertura", o.abertura, "abertura do caixa, \"YYYY-MM-DD HH:MM:SS\"");
  run->add_flag("--until-idle", o.until_idle,
                "para apos a primeira passagem que nao altera nada no banco (sem pedido "
                "pendente, ou so pedidos que continuam pendentes)");
  run->add_option("--max-seconds", o.max_seconds,
                  "limite de tempo em segundos, numero finito >= 0; 0 = sem limite (padrao)")
      ->check(kSeconds);
  run->add_option("--module", o.module_path, "caminho do modulo (padrao: ao lado do executavel)");
  run->add_option("--keep-logs", o.keep_logs,
                  "remove os logs diarios com mais de N dias, no inicio e uma vez por dia; "
                  "0 = mantem todos (padrao)")
      ->check(CLI::Range(0, 36500));
  run->add_option("--keep-copies", o.keep_copies,
                  "remove as copias de recibos (Dados/Impressao/<dia>) com mais de N dias, no "
                  "inicio e uma vez por dia; os XML nunca sao removidos; 0 = mantem todas (padrao)")
      ->check(CLI::Range(0, 36500));
  run->footer(std::string("Para com SIGINT, SIGTERM ou SIGHUP.\n") + hostagent::kExitCodesHelp);
}

void AddStores(CLI::App& app, std::string& init_dir, bool& init_force,
               hostagent::DemoStoreOptions& demo) {
  CLI::App* init = app.add_subcommand("init-store", "cria Dados/Loja.db com o esquema da loja");
  init->add_option("--dir", init_dir, "diretorio do programa")->required()->check(kNotEmpty);
  init->add_flag("--force", init_force, "substitui um banco existente");
  CLI::App* d = app.add_subcommand("demo-store", "cria uma loja de demonstracao");
  d->add_option("--dir", demo.dir, "diretorio do programa")->required()->check(kNotEmpty);
  d->add_option("--filial", demo.filial, "CDFILIAL");
  d->add_option("--loja", demo.loja, "CDLOJA");
  d->add_option("--caixa", demo.caixa, "CDCAIXA");
  d->add_option("--modelo", demo.modelo, "modelo da impressora (IDMODEIMPRES)");
  d->add_option("--porta", demo.porta, "porta da impressora");
  CLI::Option* emissao =
      d->add_option("--emissao", demo.emissao,
                    "tipo de emissao do caixa: FNC (NFC-e, padrao), SAT ou vazio")
          ->check(CLI::IsMember({"SAT", "FNC", ""}));
  d->add_flag_callback(
       "--sat", [&demo] { demo.emissao = "SAT"; },
       "caixa SAT com o emulador do projeto (CAIXAFISCAL.DSLIBSAT)")
      ->excludes(emissao);
  d->add_option("--schemas", demo.esquemas,
                "pasta com os esquemas oficiais da NF-e 4.00, copiados para Dados/Schemas/nfe-4.00")
      ->check(CLI::ExistingDirectory);
  d->add_option("--biblioteca-sat", demo.biblioteca_sat,
                "biblioteca SAT do caixa (padrao: libVyrSatEmulador.so ao lado do executavel)");
  d->add_option("--pedidos", demo.pedidos, "pedidos aguardando fechamento automatico")
      ->check(CLI::Range(0, 999));
  d->add_flag("--simples", demo.simples,
              "so pedidos comuns, sem os casos da demonstracao (testes de carga e de falhas)");
  d->add_flag("--force", demo.force, "substitui um banco existente");
}

void AddImportIbpt(CLI::App& app, std::string& dir, std::string& file) {
  CLI::App* ibpt = app.add_subcommand(
      "import-ibpt", "carrega na loja a tabela IBPT de um estado (TabelaIBPTax<UF>...csv)");
  ibpt->add_option("--dir", dir, "diretorio do programa; deve existir")
      ->required()
      ->check(kExistingFolder);
  ibpt->add_option("ARQUIVO", file, "arquivo oficial da tabela IBPT")
      ->required()
      ->check(CLI::ExistingFile);
}

struct ToolOptions {
  std::string upgrade_dir;
  bool upgrade_sqlserver = false;
  hostagent::StatusOptions status;
  hostagent::ReprintOptions reprint;
  hostagent::ExportXmlOptions export_xml;
  hostagent::ServeOptions serve;
  hostagent::CheckOptions check;
  hostagent::CancelNoteOptions cancel;
};

void AddCheck(CLI::App& app, hostagent::CheckOptions& c) {
  CLI::App* ck = app.add_subcommand("check", "o caixa esta pronto para vender, ou o que falta");
  AddFolderAndRegister(*ck, c.dir, c.filial, c.caixa, c.loja);
  ck->add_flag("--json", c.json, "o mesmo em JSON");
  ck->add_flag("--online", c.online, "consulta tambem o servico de status da SEFAZ");
  ck->footer(hostagent::kCheckExitCodesHelp);
}

void AddCancelNote(CLI::App& app, hostagent::CancelNoteOptions& c) {
  CLI::App* cn = app.add_subcommand("cancel-note", "cancela a NFC-e autorizada de uma venda");
  AddFolderAndRegister(*cn, c.dir, c.filial, c.caixa, c.loja);
  cn->add_option("VENDA", c.venda, "numero da venda (VENDA.NRSEQVENDA)")->required();
  cn->add_option("--motivo", c.motivo, "justificativa, 15 a 255 caracteres")->required();
  cn->footer(
      "Codigos de saida de cancel-note:\n"
      "  0  cancelamento registrado pela SEFAZ (evento e resposta guardados junto a nota)\n"
      "  1  recusado (nota nao autorizada, motivo curto, prazo vencido, recusa ou falta de "
      "resposta da SEFAZ)\n"
      "  2  argumentos invalidos\n"
      "  4  caixa nao encontrado\n");
}

void AddMonthTools(CLI::App& app, ToolOptions& t) {
  CLI::App* ex = app.add_subcommand(
      "export-xml", "arquivo zip com os XML do mes de um caixa e o resumo, para o contador");
  hostagent::ExportXmlOptions& e = t.export_xml;
  AddFolderAndRegister(*ex, e.dir, e.filial, e.caixa, e.loja);
  ex->add_option("--mes", e.mes, "mes da filial, AAAA-MM")->required();
  ex->add_option("--saida", e.saida,
                 "arquivo zip (padrao: Dados/Contador/XML-<filial>-<caixa>-<mes>.zip)");
  ex->add_flag("--continuar", e.continuar,
               "exporta mesmo com notas nao autorizadas (ficam so no resumo)");
  ex->footer(
      "Codigos de saida de export-xml:\n"
      "  0  arquivo gravado\n"
      "  1  erro: banco ilegivel, arquivo XML guardado que nao existe, zip nao gravado\n"
      "  2  argumentos invalidos\n"
      "  4  caixa nao encontrado\n"
      " 10  mes com nota nao autorizada ou inutilizacao nao confirmada (nada gravado; "
      "--continuar)\n");
  CLI::App* sv =
      app.add_subcommand("serve", "pagina HTML com a situacao dos caixas da pasta, para o gerente");
  sv->add_option("--dir", t.serve.dir, "diretorio do programa; deve existir")
      ->required()
      ->check(kExistingFolder);
  sv->add_option("--porta", t.serve.porta, "porta TCP (padrao 8080; 0 = uma porta livre, mostrada)")
      ->check(CLI::Range(0, 65535));
  sv->add_option("--endereco", t.serve.endereco, "endereco de escuta (padrao 127.0.0.1)");
  sv->footer(
      "Para com SIGINT ou SIGTERM.\nCodigos de saida de serve:\n"
      "  0  parado por um sinal\n"
      "  1  a porta nao pode ser aberta\n"
      "  2  argumentos invalidos\n");
}

void AddTools(CLI::App& app, ToolOptions& t) {
  CLI::App* up = app.add_subcommand(
      "upgrade-store", "leva o banco da loja (SQLite) ao esquema atual, sem alterar os dados");
  CLI::Option* dir = up->add_option("--dir", t.upgrade_dir, "diretorio do programa; deve existir")
                         ->check(kExistingFolder);
  up->add_flag("--sqlserver-script", t.upgrade_sqlserver,
               "mostra o script equivalente para SQL Server")
      ->excludes(dir);
  up->footer(
      "Codigos de saida de upgrade-store:\n"
      "  0  banco no esquema atual (atualizado ou ja estava)\n"
      "  1  erro: banco inexistente, banco ODBC (use --sqlserver-script), recusa do SQLite\n"
      "  2  argumentos invalidos\n"
      "  9  tudo aplicado exceto o indice UX_VENDA_COMANDA: ha comandas com mais de uma venda\n"
      "     ativa (listadas); o suporte cancela as vendas a mais pela retaguarda e executa de "
      "novo\n");
  CLI::App* st = app.add_subcommand("status", "o que esta parado no caixa e por que");
  AddFolderAndRegister(*st, t.status.dir, t.status.filial, t.status.caixa, t.status.loja);
  st->add_flag("--json", t.status.json, "o mesmo em JSON, para monitoracao");
  st->footer(
      "Codigos de saida de status:\n"
      "  0  tudo lido\n"
      "  1  alguma parte nao pode ser lida (dita na propria parte); as outras saem assim mesmo\n"
      "  2  argumentos invalidos\n"
      "  4  caixa nao encontrado (nenhuma linha de CAIXA para filial, caixa e loja)\n");
  CLI::App* re = app.add_subcommand("reprint", "imprime de novo o recibo de uma venda");
  AddFolderAndRegister(*re, t.reprint.dir, t.reprint.filial, t.reprint.caixa, t.reprint.loja);
  re->add_option("VENDA", t.reprint.venda, "numero da venda (VENDA.NRSEQVENDA)")->required();
}

int RunTool(const CLI::App& app, const ToolOptions& t) {
  if (app.got_subcommand("status")) return hostagent::RunStatus(t.status, std::cout, std::cerr);
  if (app.got_subcommand("export-xml")) {
    return hostagent::RunExportXml(t.export_xml, std::cout, std::cerr);
  }
  if (app.got_subcommand("serve")) return hostagent::RunServe(t.serve, std::cout, std::cerr);
  if (app.got_subcommand("check")) return hostagent::RunCheck(t.check, std::cout, std::cerr);
  if (app.got_subcommand("cancel-note")) {
    return hostagent::RunCancelNote(t.cancel, std::cout, std::cerr);
  }
  if (app.got_subcommand("reprint")) {
    const hostagent::Reprinted done = hostagent::Reprint(t.reprint);
    std::cout << "Recibo impresso de novo: " << done.tipo << " " << done.chave << " na porta "
              << done.porta << "\nCopia: " << done.copia << "\n";
    return hostagent::kExitOk;
  }
  if (t.upgrade_sqlserver) {
    std::cout << VyrSchema::SqlServerUpgradeScript();
    return hostagent::kExitOk;
  }
  if (t.upgrade_dir.empty()) throw CLI::RequiredError("--dir");
  return hostagent::UpgradeStore(t.upgrade_dir, std::cout);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"hostagent - fechamento automatico de pedidos de entrega"};
  app.require_subcommand(1);
  hostagent::RunOptions run;
  std::string init_dir;
  bool init_force = false;
  hostagent::DemoStoreOptions demo;
  std::string ibpt_dir, ibpt_file;
  AddRun(app, run);
  AddStores(app, init_dir, init_force, demo);
  AddImportIbpt(app, ibpt_dir, ibpt_file);
  ToolOptions tools;
  AddTools(app, tools);
  AddMonthTools(app, tools);
  AddCheck(app, tools.check);
  AddCancelNote(app, tools.cancel);
  app.footer(hostagent::kExitCodesHelp);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? hostagent::kExitOk : hostagent::kExitUsage;
  }
  try {
    if (app.got_subcommand("run")) return hostagent::RunHost(run, std::cout, std::cerr);
    for (const char* tool :
         {"upgrade-store", "status", "reprint", "export-xml", "serve", "check", "cancel-note"}) {
      if (app.got_subcommand(tool)) return RunTool(app, tools);
    }
    if (app.got_subcommand("init-store")) {
      hostagent::InitStore(init_dir, init_force);
      std::cout << "Banco criado: " << init_dir << "/Dados/Loja.db\n";
    } else if (app.got_subcommand("import-ibpt")) {
      const hostagent::IbptImport loaded = hostagent::ImportIbpt(ibpt_dir, ibpt_file);
      std::cout << "Tabela IBPT carregada: UF " << loaded.uf << ", versao " << loaded.versao
                << ", vigencia " << loaded.inicio << " a " << loaded.fim << ", " << loaded.linhas
                << " linhas\n";
    } else {
      hostagent::CreateDemoStore(demo);
      std::cout << "Loja de demonstracao criada em " << demo.dir << "\n";
    }
  } catch (const CLI::Error& e) {
    std::cerr << "hostagent: " << e.what() << "\n";
    return hostagent::kExitUsage;
  } catch (const std::invalid_argument& e) {
    std::cerr << "hostagent: " << e.what() << "\n";
    return hostagent::kExitUsage;
  } catch (const hostagent::LockHeldError& e) {
    std::cerr << "hostagent: a loja esta em uso por uma THREAD: " << e.what() << "\n";
    return hostagent::kExitRegisterBusy;
  } catch (const std::exception& e) {
    std::cerr << "hostagent: " << e.what() << "\n";
    return hostagent::kExitHostError;
  }
  return hostagent::kExitOk;
}
