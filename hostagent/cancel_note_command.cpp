#include "hostagent/cancel_note_command.h"

#include <ostream>
#include <stdexcept>

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_functions.h"
#include "hostagent/host_records.h"
#include "hostagent/run_command.h"

namespace hostagent {
namespace {

const char* const kSelCaixaDaNota =
    R"mssql(SELECT CDCAIXA FROM CAIXA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND CDLOJA = :P_CDLOJA)mssql";

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
    const std::string done =
        VyrFiscal::CancelaNFCe(o.filial, o.caixa, RecordedNumber(o.venda), o.motivo);
    out << "NFC-e cancelada: " << done << "\n";
    return kExitOk;
  } catch (const std::exception& e) {
    err << "hostagent: cancelamento recusado: " << e.what() << "\n";
    return kExitHostError;
  }
}

}  // namespace hostagent
