#pragma once
// `hostagent init-store`, `demo-store` and `import-ibpt`: a store database (and, for the demo,
// the rows and local table files of one register) in a program directory, and the tables an
// operator loads into it.

#include <string>

namespace hostagent {

// Creates <dir>/Dados/Loja.db with the store schema. An existing store is replaced only with
// `force`; otherwise std::runtime_error is thrown and the file is left alone. With `force`,
// raises LockHeldError (register_lock.h) while a worker holds a register's lock in `dir`. An
// empty `dir` raises std::invalid_argument.
void InitStore(const std::string& dir, bool force);

struct DemoStoreOptions {
  std::string dir;
  std::string filial = "0001";
  std::string loja = "01";
  std::string caixa = "001";
  std::string modelo = "19";             // IDMODEIMPRES of the register's printer
  std::string porta = "file:cupom.prn";  // receipts land in <dir>/cupom.prn
  std::string cd_ativacao_sat = "123456789";
  std::string emissao = "FNC";  // IDTPEMISSAOVYR: "FNC" (NFC-e), "SAT" or "" (neither)
  int pedidos = 20;             // delivery orders waiting for automatic closing
  bool simples = false;         // every order an ordinary one (no demo cases): for load tests
  // CAIXAFISCAL.DSLIBSAT of a SAT register; empty: the project's emulator beside the executable
  std::string biblioteca_sat;
  std::string senha_certificado = "demo1234";
  // A copy of the official NF-e schemas (nfe_v4.00.xsd, ...) to install under
  // <dir>/Dados/Schemas/nfe-4.00/, where an NFC-e register checks its notes; empty: none.
  std::string esquemas;  // of the NFC-e register's generated certificate
  bool force = false;
};

// InitStore, then a branch with its emitter data, a store, its sales settings, a register with
// automatic closing on ("S"), the given emission type and a printer of the given model, its
// fiscal settings (NFC-e: a generated certificate and the simulated authoriser, homologation;
// SAT: the emulator named in DSLIBSAT), products with NCM and taxes, the state's IBPT table
// (from a small file under <dir>/Dados/), consumers (one on a consumer account with a limit),
// `pedidos` delivery orders waiting for automatic closing (demo_orders.h), the three local table
// files under <dir>/Dados/Cadastros/ (AberturaCaixa.cds holds the activation code encrypted) and
// <dir>/Dados/Caixa.ini naming the register.
void CreateDemoStore(const DemoStoreOptions& options);

// What `import-ibpt` loaded: the state, the table's version, its validity (dd/mm/yyyy) and the
// number of rows.
struct IbptImport {
  std::string uf;
  std::string versao;
  std::string inicio;
  std::string fim;
  int linhas = 0;
};

// Replaces the rows of the state of `file` (an official IBPT file, "TabelaIBPTax<UF>...csv") in
// the IBPT table of the store of program directory `dir`, found as the worker finds it
// (VYR_CONEXAO, Dados/Conexao.ini or Dados/Loja.db). A broken file raises rtl::Exception naming
// the file and the line, and the table is left as it was; a default store that does not exist
// raises std::runtime_error naming it.
IbptImport ImportIbpt(const std::string& dir, const std::string& file);

}  // namespace hostagent
