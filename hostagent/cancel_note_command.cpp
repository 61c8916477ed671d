#include "hostagent/cancel_note_command.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_functions.h"
#include "hostagent/cancellation_status.h"
#include "hostagent/host_records.h"
#include "hostagent/register_log.h"
#include "hostagent/run_command.h"
#include "vyrutil/xml_folder.h"

namespace hostagent {
namespace {

const char* const kSelCaixaDaNota =
    R"mssql(SELECT CDCAIXA FROM CAIXA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND CDLOJA = :P_CDLOJA)mssql";

const char* const kSelNotaDaVenda =
    R"mssql(SELECT CDCHAVENFCE, DSARQXMLNFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

// A sale's number as it is recorded: "1" is sale 0000000001.
std::string RecordedNumber(const std::string& venda) {
  const bool digits = !venda.empty() && venda.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || venda.size() >= VyrFiscal::kTamanhoNumeroVenda) return venda;
  return std::string(VyrFiscal::kTamanhoNumeroVenda - venda.size(), '0') + venda;
}

bool RegisterExists(const CancelNoteOptions& o) {
  ado::TADOConnection connection;
  connection.ConnectionString = StoreConnection(o.dir);
  return ado::ReadFirstRow(connection, "adqCaixaDaNota", kSelCaixaDaNota,
                           ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_CDLOJA"}),
                           {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}, {"P_CDLOJA", o.loja}},
                           [](ado::TADOQuery&) {});
}

struct Nota {
  std::string chave, pasta;  // "" when the sale has no note
};

Nota NotaDaVenda(const CancelNoteOptions& o, const std::string& venda) {
  ado::TADOConnection connection;
  connection.ConnectionString = StoreConnection(o.dir);
  Nota nota;
  ado::ReadFirstRow(
      connection, "adqNotaDaVendaCanc", kSelNotaDaVenda,
      ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA"}),
      {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}, {"P_NRSEQVENDA", venda}},
      [&](ado::TADOQuery& q) {
        nota.chave = q.FieldByName("CDCHAVENFCE").AsString();
        nota.pasta =
            std::filesystem::path(VyrUtil::CaminhoLido(q.FieldByName("DSARQXMLNFCE").AsString()))
                .parent_path()
                .string();
      });
  return nota;
}

// A call that sent the event and got no answer leaves the lot kept beside the note: that state
// has its line, with what to do next. A refusal leaves nothing to log.
void LogOutcome(const CancelNoteOptions& o, const std::string& venda, const std::string& feito,
                std::ostream& err) {
  Nota nota;
  try {
    nota = NotaDaVenda(o, venda);
  } catch (const std::exception&) {
    return;  // the store's fault was already named
  }
  std::string linha;
  if (!feito.empty()) {
    linha = "NFC-e " + nota.chave + " da venda " + venda + " cancelada: " + feito;
  } else if (!nota.chave.empty() &&
             std::filesystem::exists(UnansweredCancellationFile(nota.pasta, nota.chave))) {
    linha = "NFC-e " + nota.chave + " da venda " + venda +
            ": cancelamento enviado sem resposta da SEFAZ; " + kUnansweredCancellationAction;
  }
  if (linha.empty()) return;
  const std::string erro = AppendToRegisterLog(o.dir, o.filial, o.caixa, o.loja, linha);
  if (!erro.empty()) err << "hostagent: " << erro << "\n";
}

}  // namespace

int RunCancelNote(const CancelNoteOptions& given, std::ostream& out, std::ostream& err) {
  CancelNoteOptions o = given;
  try {
    FillRegister(o.dir, o.filial, o.caixa, o.loja);
  } catch (const std::invalid_argument& e) {
    err << "hostagent: " << e.what() << "\n";
    return kExitUsage;
  }
  try {
    if (!RegisterExists(o)) {
      err << "hostagent: caixa nao encontrado: nenhuma linha de CAIXA para filial " << o.filial
          << ", caixa " << o.caixa << ", loja " << o.loja << "\n";
      return kExitNoRegister;
    }
  } catch (const std::exception& e) {
    err << "hostagent: cancelamento recusado: " << e.what() << "\n";
    return kExitHostError;
  }
  const std::string venda = RecordedNumber(o.venda);
  try {
    const std::string done = VyrFiscal::CancelaNFCe(o.filial, o.caixa, venda, o.motivo);
    LogOutcome(o, venda, done, err);
    out << "NFC-e cancelada: " << done << "\n";
    return kExitOk;
  } catch (const std::exception& e) {
    err << "hostagent: cancelamento recusado: " << e.what() << "\n";
    LogOutcome(o, venda, "", err);
    return kExitHostError;
  }
}

}  // namespace hostagent
