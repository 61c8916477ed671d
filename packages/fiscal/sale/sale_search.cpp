// The sale of one bill as the closing needs it, built from the working rows the exporting program
// left: the bill (COMANDAVEN) with its order (VENDAREST) and consumer, and its items with their
// products. One row per item; the bill's values are repeated on every row, so the closing can
// take them from the first.

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/sale/sale_rows.h"
#include "fiscal/sale/sale_statements.h"
#include "rtl/number_text.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Rotinas {
namespace {

// A bill number may come back after an earlier order of the branch was closed; the bill that
// waits for automatic closing wins, then the latest order. Only that bill is read: the waiting
// one is found in the waiting bills' index, and the closed bills that had the number before are
// read only when none waits (COALESCE takes its second value only when the first is NULL). Its
// items come in the same statement, one row each; a bill without items gives one row without
// them.
const char* const kSelComandaEItens =
    R"mssql(SELECT CO.NRVENDAREST, CO.CDLOJA, CO.DSCOMANDA, CO.NRCOMANDAEXT, VR.CDCLIENTE, VR.CDCONSUMIDOR, VR.CDOPERADOR, CS.NMCONSUMIDOR, CS.CDFAMILISALD, IT.NRPRODCOMVEN, IT.CDPRODUTO, PR.NMPRODUTO, PR.CDARVPROD, PR.CDALIQIMPFIS, IT.QTPRODCOMVEN, IT.VRPRECCOMVEN, IT.VRDESCCOMVEN, IT.VRACRCOMVEN, IT.IDSTPROCOMVEN FROM COMANDAVEN CO LEFT JOIN VENDAREST VR ON (VR.CDFILIAL = CO.CDFILIAL) AND (VR.NRVENDAREST = CO.NRVENDAREST) LEFT JOIN CONSUMIDOR CS ON (CS.CDCLIENTE = VR.CDCLIENTE) AND (CS.CDCONSUMIDOR = VR.CDCONSUMIDOR) LEFT JOIN ITCOMANDAVEN IT ON (IT.CDFILIAL = CO.CDFILIAL) AND (IT.NRVENDAREST = CO.NRVENDAREST) AND (IT.NRCOMANDA = CO.NRCOMANDA) LEFT JOIN PRODUTO PR ON (PR.CDPRODUTO = IT.CDPRODUTO) WHERE (CO.CDFILIAL = :P_CDFILIAL) AND (CO.NRCOMANDA = :P_NRCOMANDA) AND CO.NRVENDAREST = COALESCE((SELECT MAX(AG.NRVENDAREST) FROM COMANDAVEN AG WHERE AG.CDFILIAL = :P_CDFILIAL AND AG.NRCOMANDA = :P_NRCOMANDA AND AG.IDIMPCUPEXP = '2'), (SELECT MAX(TD.NRVENDAREST) FROM COMANDAVEN TD WHERE TD.CDFILIAL = :P_CDFILIAL AND TD.NRCOMANDA = :P_NRCOMANDA)) ORDER BY IT.NRPRODCOMVEN)mssql";

const char* const kItemCancelado = "C";

// The sale-rows layout: the module's item layout, then the bill columns the closing reads.
std::vector<rtl::FieldDef> CamposVenda() {
  std::vector<rtl::FieldDef> fields = CamposLinhaVenda();
  const std::vector<rtl::FieldDef> comanda = {
      rtl::TextField("CDSENHAPED", 6),  rtl::TextField("CDFAMILISALD", 3),
      rtl::FloatField("VRDESCCOMVEN"),  rtl::FloatField("VRACRCOMVEN"),
      rtl::TextField("NRCOMANDA", 10),  rtl::TextField("DSCOMANDA", 50),
      rtl::TextField("NRVENDAREST", 10)};
  fields.insert(fields.end(), comanda.begin(), comanda.end());
  return fields;
}

// The bill's values, the same on every row.
struct Comanda {
  std::string CDFILIAL, NRCOMANDA, NRVENDAREST, CDLOJA, DSCOMANDA, CDSENHAPED;
  std::string CDCLIENTE, CDCONSUMIDOR, CDOPERADOR, NMCONSVEND, CDFAMILISALD;
};

rtl::Variant TextoOuNulo(ado::TADOQuery& query, const char* column) {
  return query.FieldByName(column).Value();
}

double NumeroDe(ado::TADOQuery& query, const char* column) {
  return query.FieldByName(column).AsFloat();
}

// A quantity or price stays NULL when the order has none, so that the closing refuses the item
// instead of selling it at 0 (a NULL read as a number is 0, which is a courtesy item's price).
rtl::Variant NumeroOuNulo(ado::TADOQuery& query, const char* column) {
  if (query.FieldByName(column).IsNull()) return rtl::Variant::Null();
  return NumeroDe(query, column);
}

rtl::Variant QuantidadeOuNula(ado::TADOQuery& query) {
  if (query.FieldByName("QTPRODCOMVEN").IsNull()) return rtl::Variant::Null();
  return rtl::FloatToStr(NumeroDe(query, "QTPRODCOMVEN"));
}

// One row per field of CamposVenda(), in its order.
rtl::Row LinhaVenda(const Comanda& c, ado::TADOQuery& item, int sequencia) {
  const rtl::Variant nulo = rtl::Variant::Null();
  const double desconto = NumeroDe(item, "VRDESCCOMVEN");
  const double acrescimo = NumeroDe(item, "VRACRCOMVEN");
  return {TextoOuNulo(item, "IDSTPROCOMVEN"),
          item.FieldByName("CDPRODUTO").AsString(),
          TextoOuNulo(item, "NMPRODUTO"),
          QuantidadeOuNula(item),
          NumeroOuNulo(item, "VRPRECCOMVEN"),
          TextoOuNulo(item, "CDARVPROD"),
          c.CDLOJA,
          nulo,  // NRMESA: a delivery has no table
          c.CDFILIAL,
          nulo,  // STOBSPEDIDO
          VyrUtil::Ajusta(std::to_string(sequencia), 3),
          c.CDOPERADOR,
          nulo,  // NRCUPOMFIS
          TextoOuNulo(item, "CDALIQIMPFIS"),
          c.CDCLIENTE,
          nulo,  // CDCCUSCLIE
          c.CDCONSUMIDOR,
          nulo,              // CDVENDEDOR
          std::string(" "),  // NRINSCRCONS: no tax number yet
          c.NMCONSVEND,
          nulo,  // CDSERVFILI
          acrescimo,
          desconto,
          nulo,  // IDSTPRCOMVEN
          c.CDSENHAPED,
          c.CDFAMILISALD,
          desconto,
          acrescimo,
          c.NRCOMANDA,
          c.DSCOMANDA,
          c.NRVENDAREST};
}

rtl::Row LinhaCancelada(const Comanda& c, ado::TADOQuery& item) {
  return {c.CDFILIAL,
          c.CDLOJA,
          c.CDCLIENTE,
          rtl::Variant::Null(),  // CDVENDEDOR
          item.FieldByName("CDPRODUTO").AsString(),
          rtl::FloatToStr(NumeroDe(item, "QTPRODCOMVEN")),
          NumeroDe(item, "VRPRECCOMVEN"),
          NumeroDe(item, "VRDESCCOMVEN")};
}

// The bill's values, from the first row.
void LeComanda(ado::TADOQuery& query, Comanda& comanda) {
  comanda.NRVENDAREST = query.FieldByName("NRVENDAREST").AsString();
  comanda.CDLOJA = query.FieldByName("CDLOJA").AsString();
  comanda.DSCOMANDA = query.FieldByName("DSCOMANDA").AsString();
  comanda.CDSENHAPED = query.FieldByName("NRCOMANDAEXT").AsString().substr(0, 6);
  comanda.CDCLIENTE = query.FieldByName("CDCLIENTE").AsString();
  comanda.CDCONSUMIDOR = query.FieldByName("CDCONSUMIDOR").AsString();
  comanda.CDOPERADOR = query.FieldByName("CDOPERADOR").AsString();
  comanda.NMCONSVEND = query.FieldByName("NMCONSUMIDOR").AsString();
  comanda.CDFAMILISALD = query.FieldByName("CDFAMILISALD").AsString();
}

}  // namespace

Variant BuscaVenda(const Variant& filialComanda, Variant& retornoFiscal) {
  Comanda comanda;
  comanda.CDFILIAL = Venda::TextoDe(filialComanda, 0);
  comanda.NRCOMANDA = Venda::TextoDe(filialComanda, 1);
  std::vector<rtl::Row> vendas, canceladas;

  ado::TADOQuery adqComanda;
  ado::DeclareQuery(adqComanda, ConexaoFiscal(), kSelComandaEItens,
                    ado::TextParams({"P_CDFILIAL", "P_NRCOMANDA"}), "adqComandaVenda");
  ado::OpenQuery(adqComanda,
                 {{"P_CDFILIAL", comanda.CDFILIAL}, {"P_NRCOMANDA", comanda.NRCOMANDA}});
  if (!adqComanda.IsEmpty()) LeComanda(adqComanda, comanda);
  for (adqComanda.First(); !adqComanda.Eof(); adqComanda.Next()) {
    if (adqComanda.FieldByName("NRPRODCOMVEN").IsNull()) continue;
    if (adqComanda.FieldByName("IDSTPROCOMVEN").AsString() == kItemCancelado) {
      canceladas.push_back(LinhaCancelada(comanda, adqComanda));
    } else {
      vendas.push_back(LinhaVenda(comanda, adqComanda, static_cast<int>(vendas.size()) + 1));
    }
  }
  if (!retornoFiscal.IsArray() || retornoFiscal.ArrayLength() <= kRetCancelados) {
    retornoFiscal = NovoRetornoFiscal();
  }
  EmpacotaVendaBuscada({rtl::DataPacket(CamposVenda(), std::move(vendas)),
                        rtl::DataPacket(CamposItemCancelado(), std::move(canceladas))},
                       retornoFiscal);
  return Variant(true);
}

}  // namespace VyrFiscal::Rotinas
