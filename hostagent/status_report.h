#pragma once
// What `hostagent status` reports of one register, part by part: the worker, its last pass, the
// certificate, pending orders, sales that owe a document or a receipt, notes and numbers still
// with the authority. Each part that could not be read carries its error instead.

#include <string>
#include <vector>

#include "hostagent/cancellation_status.h"
#include "hostagent/host_records.h"
#include "rtl/datetime.h"

namespace hostagent {

// A delivery order still waiting for automatic closing, with what the log says of it.
struct OrderStatus {
  std::string nrvendarest, nrcomanda, pedido;  // pedido: COMANDAVEN.NRCOMANDAEXT
  std::string aberto;                          // VENDAREST.DTHRABERMESA, "" when unknown
  long idade = -1;                             // seconds since `aberto`; -1 unknown
  std::string falha_quando, falha;             // the last failure the logs show ("" none)
  long espera = -1;  // seconds of the retry delay logged after its last refusal; -1 none
  bool dados_exportados = false;  // left alone until the exporting program mends its data
  // The document number reserved for the bill (NUMDOCRESERV), held while it waits; "" none.
  std::string numero, serie, modelo;
};

// A recorded sale with something still to do: its document or its receipt.
struct SaleStatus {
  std::string nrseqvenda, nrvendarest, nrcomanda;
  std::string pendente;  // "documento" or "recibo"
  std::string situacao;  // IDDOCPENDVENDA ('NAOEMITIDO', 'CONTING') or IDSITUCUPOM
  std::string desde;     // "" when unknown
  long idade = -1;
  long tentativas = -1;    // a receipt's automatic prints tried (QTTENTCUPOM); -1 for none
  bool esgotadas = false;  // no automatic print is left: only an operator's reprint prints it
  std::string erro;        // a receipt's last printer failure (DSERROCUPOM)
  std::string acao;        // what happens to it next, or what the operator does; "" none
};

// An NFC-e issued and not yet authorised ("pending" or "unknown").
struct NoteStatus {
  std::string chave, nrseqvenda, situacao, emitida, motivo;
  long idade = -1;
  long envios = 0;
  std::string acao;  // what happens next, or what the operator does
};

// An NFC-e number drawn for a bill that no longer waits and carried by no note yet: it is
// released or voided by the next closing ("reserved"), asked again while the authority has not
// answered ("voiding"), or was refused by it ("refused"), which support must look at.
struct NumberStatus {
  std::string numero, serie, nrcomanda, situacao, motivo;
  std::string acao;  // what happens to it next, or what the operator does
};

struct CertificateStatus {
  std::string arquivo;   // "" when the register names none (a SAT register, for one)
  std::string validade;  // notAfter, "YYYY-MM-DD HH:MM:SS" UTC
  long dias = 0;         // whole days left (negative: expired)
  std::string erro;      // why the end date is unknown; never the password
};

// Each part of the report read from the store carries its own error: a part that could not be
// read says so ("" when it was read) and shows nothing else, never defaults as facts.
struct StatusReport {
  std::string dir, filial, caixa, loja;
  std::string agora;         // this host's local time, as rtl::Now() gives it
  bool caixa_existe = true;  // false only when CAIXA was read and has no row for the register
  std::string fuso;          // the branch's time zone (FILIAL.DSFUSOHORARIO or its default)
  std::string agora_filial;  // the same moment on the branch's clocks; "" when unknown
  std::string erro_caixa;
  std::vector<OrderStatus> pedidos;
  std::string erro_pedidos;
  std::vector<SaleStatus> vendas;
  std::string erro_vendas;
  std::vector<NoteStatus> notas;
  std::string erro_notas;
  std::vector<NumberStatus> numeros;  // the register's numbers left to void
  std::string erro_numeros;
  std::vector<NoteStatus> recusadas;  // NFC-e refused by the authoriser ("rejected")
  std::string erro_recusadas;
  LastPass passagem;
  std::string pid_trava;  // the worker holding the register's lock; "" none
  CertificateStatus certificado;
  std::string erro_certificado;  // CAIXAFISCAL could not be read (certificado.erro: the file)
  std::string falha_caixa;       // the register's own fault pausing its closings; "" none
  std::string erro_falha_caixa;  // why the fault could not be asked
  std::vector<UnansweredCancellation> cancelamentos;  // sent and not answered, read from files
  std::vector<std::string> erros;  // every part's error above, in the report's order
};

}  // namespace hostagent
