#pragma once
// `hostagent init-store` and `hostagent demo-store`: a store database (and, for the demo, the
// rows and local table files of one register) in a program directory.

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
  std::string emissao = "SAT";  // IDTPEMISSAOVYR: "SAT", "FNC" (NFC-e) or "" (neither)
  int pedidos = 3;              // delivery orders waiting for automatic closing
  bool force = false;
};

// InitStore, then a branch with its emitter data, a store, its sales settings, a register with
// automatic closing on ("S"), the given emission type and a printer of the given model, two
// products, a consumer, `pedidos` delivery orders waiting for automatic closing, and the three
// local table files under <dir>/Dados/Cadastros/ (AberturaCaixa.cds holds the activation code
// encrypted).
void CreateDemoStore(const DemoStoreOptions& options);

}  // namespace hostagent
