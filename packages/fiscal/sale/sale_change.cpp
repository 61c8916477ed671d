// A recorded sale whose fiscal document is still pending (not issued yet, an NFC-e issued in
// contingency, a CF-e the SAT device refused): the sale stays as it is, sold and not cancelled,
// and carries the marker it was given with the moment it was marked, so the support person sees
// in VENDA which sales still await their document (IDDOCPENDVENDA, DTDOCPENDVENDA).

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/sale/pending_document.h"
#include "fiscal/sale/sale_statements.h"
#include "rtl/errors.h"

namespace VyrFiscal {
namespace {

const char* const kUpdDocPendente =
    R"mssql(UPDATE VENDA SET IDDOCPENDVENDA = :P_IDDOCPENDVENDA, DTDOCPENDVENDA = :P_DTDOCPENDVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA) AND (NRSEQVENDA = :P_NRSEQVENDA))mssql";

// The closing marks a sale whose NFC-e came back in contingency with its own marker ("SAT"); a
// sale the package already marked 'CONTING' keeps that marker, which the background
// transmission clears once the note is authorised, so the sale stays visibly in contingency.
const char* const kUpdMarcaDoModulo =
    R"mssql(UPDATE VENDA SET IDDOCPENDVENDA = CASE WHEN IDDOCPENDVENDA = 'CONTING' THEN IDDOCPENDVENDA ELSE :P_IDDOCPENDVENDA END, DTDOCPENDVENDA = CASE WHEN IDDOCPENDVENDA = 'CONTING' THEN DTDOCPENDVENDA ELSE :P_DTDOCPENDVENDA END WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA) AND (NRSEQVENDA = :P_NRSEQVENDA))mssql";

const char* const kMarcaPadrao = "PENDENTE";

int64_t GravaEstado(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                    const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                    const rtl::Variant& marca, const rtl::Variant& quando) {
  return ado::RunCommand(
      conexao, "acmUpdDocPendente", kUpdDocPendente,
      {ado::TextParam("P_IDDOCPENDVENDA"), ado::DateTimeParam("P_DTDOCPENDVENDA"),
       ado::TextParam("P_CDFILIAL"), ado::TextParam("P_CDCAIXA"), ado::TextParam("P_NRSEQVENDA")},
      {{"P_IDDOCPENDVENDA", marca},
       {"P_DTDOCPENDVENDA", quando},
       {"P_CDFILIAL", CDFILIAL},
       {"P_CDCAIXA", CDCAIXA},
       {"P_NRSEQVENDA", NRSEQVENDA}});
}

}  // namespace

const char* const kDocNaoEmitido = "NAOEMITIDO";
const char* const kDocContingencia = "CONTING";

int64_t MarcaDocumentoPendente(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                               const std::string& marca) {
  return GravaEstado(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, rtl::Variant(marca),
                     rtl::Variant::FromDateTime(rtl::Now()));
}

void LimpaDocumentoPendente(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  GravaEstado(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, rtl::Variant::Null(), rtl::Variant::Null());
}

namespace Rotinas {

Variant AlteraVendaCan(const Variant& parametros, Variant&) {
  const AlteracaoVenda alteracao = DesempacotaAlteracao(parametros);
  const std::string& NRSEQVENDA = alteracao.NRSEQVENDA;
  const std::string& CDFILIAL = alteracao.CDFILIAL;
  const std::string& CDCAIXA = alteracao.CDCAIXA;
  const std::string marca = alteracao.marca.empty() ? kMarcaPadrao : alteracao.marca;

  const int64_t alteradas = ado::RunCommand(
      ConexaoFiscal(), "acmUpdMarcaDoModulo", kUpdMarcaDoModulo,
      {ado::TextParam("P_IDDOCPENDVENDA"), ado::DateTimeParam("P_DTDOCPENDVENDA"),
       ado::TextParam("P_CDFILIAL"), ado::TextParam("P_CDCAIXA"), ado::TextParam("P_NRSEQVENDA")},
      {{"P_IDDOCPENDVENDA", marca},
       {"P_DTDOCPENDVENDA", rtl::Variant::FromDateTime(rtl::Now())},
       {"P_CDFILIAL", CDFILIAL},
       {"P_CDCAIXA", CDCAIXA},
       {"P_NRSEQVENDA", NRSEQVENDA}});
  if (alteradas == 0) {
    throw rtl::EDatabaseError("Venda " + NRSEQVENDA + " do caixa " + CDCAIXA + " da filial " +
                              CDFILIAL + " não encontrada na tabela VENDA.");
  }
  return Variant(true);
}

}  // namespace Rotinas
}  // namespace VyrFiscal
