// A recorded sale whose fiscal document is still pending (an NFC-e issued in contingency, a CF-e
// the SAT device refused): the sale stays as it is, sold and not cancelled, and carries the
// marker it was given with the moment it was marked, so the support person sees in VENDA which
// sales still await their document (IDDOCPENDVENDA, DTDOCPENDVENDA).

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
  const std::string NRSEQVENDA = Venda::TextoDe(parametros, 0);
  const std::string CDFILIAL = Venda::TextoDe(parametros, 1);
  const std::string CDCAIXA = Venda::TextoDe(parametros, 2);
  std::string marca = Venda::TextoDe(parametros, 7);
  if (marca.empty()) marca = kMarcaPadrao;

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
