// A recorded sale whose fiscal document is still pending (an NFC-e issued in contingency, a CF-e
// the SAT device refused): the sale stays as it is, sold and not cancelled, and carries the
// marker it was given with the moment it was marked, so the support person sees in VENDA which
// sales still await their document (IDDOCPENDVENDA, DTDOCPENDVENDA).

#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/sale/sale_statements.h"
#include "rtl/errors.h"

namespace VyrFiscal::Rotinas {
namespace {

const char* const kUpdDocPendente =
    R"mssql(UPDATE VENDA SET IDDOCPENDVENDA = :P_IDDOCPENDVENDA, DTDOCPENDVENDA = :P_DTDOCPENDVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA) AND (NRSEQVENDA = :P_NRSEQVENDA))mssql";

const char* const kMarcaPadrao = "PENDENTE";

}  // namespace

Variant AlteraVendaCan(const Variant& parametros, Variant&) {
  const AlteracaoVenda alteracao = DesempacotaAlteracao(parametros);
  const std::string& NRSEQVENDA = alteracao.NRSEQVENDA;
  const std::string& CDFILIAL = alteracao.CDFILIAL;
  const std::string& CDCAIXA = alteracao.CDCAIXA;
  const std::string marca = alteracao.marca.empty() ? kMarcaPadrao : alteracao.marca;

  ado::TADOCommand acmUpdDocPendente;
  Venda::Declara(
      acmUpdDocPendente, "acmUpdDocPendente", ConexaoFiscal(), kUpdDocPendente,
      {Venda::Texto("P_IDDOCPENDVENDA"), Venda::DataHora("P_DTDOCPENDVENDA"),
       Venda::Texto("P_CDFILIAL"), Venda::Texto("P_CDCAIXA"), Venda::Texto("P_NRSEQVENDA")});
  const int64_t alteradas =
      Venda::Executa(acmUpdDocPendente, {{"P_IDDOCPENDVENDA", marca},
                                         {"P_DTDOCPENDVENDA", Variant::FromDateTime(rtl::Now())},
                                         {"P_CDFILIAL", CDFILIAL},
                                         {"P_CDCAIXA", CDCAIXA},
                                         {"P_NRSEQVENDA", NRSEQVENDA}});
  if (alteradas == 0) {
    throw rtl::EDatabaseError("Venda " + NRSEQVENDA + " do caixa " + CDCAIXA + " da filial " +
                              CDFILIAL + " não encontrada na tabela VENDA.");
  }
  return Variant(true);
}

}  // namespace VyrFiscal::Rotinas
