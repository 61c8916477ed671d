#pragma once
// `hostagent status`: what is stuck at one register and why, without reading the log. Read
// only: it runs SELECT statements, reads the daily logs and the host's files, and changes
// nothing (no session set-up on the store either).

#include <iosfwd>
#include <string>
#include <vector>

#include "hostagent/host_records.h"
#include "rtl/datetime.h"

namespace hostagent {

struct StatusOptions {
  std::string dir;                  // an existing folder
  std::string filial, caixa, loja;  // empty: from Dados/Caixa.ini (host_records.h)
  bool json = false;
};

// A delivery order still waiting for automatic closing, with what the log says of it.
struct OrderStatus {
  std::string nrvendarest, nrcomanda, pedido;  // pedido: COMANDAVEN.NRCOMANDAEXT
  std::string aberto;                          // VENDAREST.DTHRABERMESA, "" when unknown
  long idade = -1;                             // seconds since `aberto`; -1 unknown
  std::string falha_quando, falha;             // the last failure the logs show ("" none)
  long espera = -1;  // seconds of the retry delay logged after its last refusal; -1 none
};

// A recorded sale with something still to do: its document or its receipt.
struct SaleStatus {
  std::string nrseqvenda, nrvendarest, nrcomanda;
  std::string pendente;  // "documento" (or "recibo")
  std::string situacao;  // e.g. IDDOCPENDVENDA 'NAOEMITIDO', 'CONTING'
  std::string desde;     // "" when unknown
  long idade = -1;
};

// An NFC-e issued and not yet authorised ("pending" or "unknown").
struct NoteStatus {
  std::string chave, nrseqvenda, situacao, emitida, motivo;
  long idade = -1;
  long envios = 0;
};

struct CertificateStatus {
  std::string arquivo;   // "" when the register names none (a SAT register, for one)
  std::string validade;  // notAfter, "YYYY-MM-DD HH:MM:SS" UTC
  long dias = 0;         // whole days left (negative: expired)
  std::string erro;      // why the end date is unknown; never the password
};

struct StatusReport {
  std::string filial, caixa, loja, agora;
  std::vector<OrderStatus> pedidos;
  std::vector<SaleStatus> vendas;
  std::vector<NoteStatus> notas;
  LastPass passagem;
  std::string pid_trava;  // the worker holding the register's lock; "" none
  CertificateStatus certificado;
  std::vector<std::string> erros;  // what could not be read (store, log)
};

// Gathers the report of one register as of rtl::Now().
StatusReport CollectStatus(const StatusOptions& options);
std::string StatusText(const StatusReport& report);
std::string StatusJson(const StatusReport& report);

// Prints the report; 0, or 1 when part of it could not be read (said in it), 2 for a register
// that neither the options nor Dados/Caixa.ini name.
int RunStatus(const StatusOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
