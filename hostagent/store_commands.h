#pragma once
// `hostagent init-store`, `demo-store`, `import-ibpt` and `upgrade-store`: a store database (and,
// for the demo, the rows and local table files of one register) in a program directory, the
// tables an operator loads into it, and bringing it to the current schema; and the schema check
// of `run`.

#include <iosfwd>
#include <string>

namespace hostagent {

// Creates <dir>/Dados/Loja.db with the store schema, and installs the official NF-e schemas
// built into the program under <dir>/Dados/Schemas/nfe-4.00/. An existing store is replaced only
// with `force`; otherwise std::runtime_error is thrown and the file is left alone. With `force`,
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
  // A folder of NF-e schemas to copy over the built-in ones under <dir>/Dados/Schemas/nfe-4.00/,
  // where an NFC-e register checks its notes; empty: the built-in ones alone.
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

// `upgrade-store --dir`: brings the SQLite store of program directory `dir` (found as the worker
// finds it) to the current schema (VyrSchema::UpgradeSqliteStore), installs the official NF-e
// schemas that are missing or differ from the built-in ones, and prints what it added,
// recreated and left as it was. Bills with more than one active sale are listed with their sales
// and the index that guards them is left out: returns kExitOldSchema then, kExitOk
// otherwise. Raises std::runtime_error for an ODBC store or a store that cannot be upgraded.
int UpgradeStore(const std::string& dir, std::ostream& out);

// The check `run` makes before it starts the worker, read-only and without waiting for a lock:
// whether the SQLite store of the program directory (already set to `dir`) lacks part of the
// current schema. Returns kExitOldSchema, after naming to `err` what is missing and the
// command `hostagent upgrade-store --dir <dir>`; otherwise kExitOk. The bill index missing
// because of duplicated sales alone does not stop the start: one warning line goes to today's
// log (and to `out`). A store that cannot be read (an ODBC store, a missing or locked file) is
// left to the worker, which reports it; `out` says the check was skipped.
int CheckStoreSchema(const std::string& dir, std::ostream& out, std::ostream& err);

}  // namespace hostagent
