// hostagent: the host that loads the automatic closing module and runs its worker, and the
// tools to make a store for it.

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "hostagent/run_command.h"
#include "hostagent/store_commands.h"

namespace {

void AddRun(CLI::App& app, hostagent::RunOptions& o) {
  CLI::App* run = app.add_subcommand("run", "carrega o modulo e executa a THREAD de um caixa");
  run->add_option("--dir", o.dir, "diretorio do programa (com Dados/)")->required();
  run->add_option("--filial", o.filial, "CDFILIAL")->required();
  run->add_option("--caixa", o.caixa, "CDCAIXA")->required();
  run->add_option("--loja", o.loja, "CDLOJA")->required();
  run->add_option("--abertura", o.abertura, "abertura do caixa, \"YYYY-MM-DD HH:MM:SS\"");
  run->add_flag("--until-idle", o.until_idle, "para quando nao houver pedido pendente");
  run->add_option("--max-seconds", o.max_seconds, "limite de tempo em segundos");
  run->add_option("--module", o.module_path, "caminho do modulo (padrao: ao lado do executavel)");
}

void AddStores(CLI::App& app, std::string& init_dir, bool& init_force,
               hostagent::DemoStoreOptions& demo) {
  CLI::App* init = app.add_subcommand("init-store", "cria Dados/Loja.db com o esquema da loja");
  init->add_option("--dir", init_dir, "diretorio do programa")->required();
  init->add_flag("--force", init_force, "substitui um banco existente");
  CLI::App* d = app.add_subcommand("demo-store", "cria uma loja de demonstracao");
  d->add_option("--dir", demo.dir, "diretorio do programa")->required();
  d->add_option("--filial", demo.filial, "CDFILIAL");
  d->add_option("--loja", demo.loja, "CDLOJA");
  d->add_option("--caixa", demo.caixa, "CDCAIXA");
  d->add_option("--modelo", demo.modelo, "modelo da impressora (IDMODEIMPRES)");
  d->add_option("--porta", demo.porta, "porta da impressora");
  d->add_flag("--force", demo.force, "substitui um banco existente");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"hostagent - fechamento automatico de pedidos de entrega"};
  app.require_subcommand(1);
  hostagent::RunOptions run;
  std::string init_dir;
  bool init_force = false;
  hostagent::DemoStoreOptions demo;
  AddRun(app, run);
  AddStores(app, init_dir, init_force, demo);
  CLI11_PARSE(app, argc, argv);
  try {
    if (app.got_subcommand("run")) return hostagent::RunHost(run, std::cout, std::cerr);
    if (app.got_subcommand("init-store")) {
      hostagent::InitStore(init_dir, init_force);
      std::cout << "Banco criado: " << init_dir << "/Dados/Loja.db\n";
    } else {
      hostagent::CreateDemoStore(demo);
      std::cout << "Loja de demonstracao criada em " << demo.dir << "\n";
    }
  } catch (const std::exception& e) {
    std::cerr << "hostagent: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
