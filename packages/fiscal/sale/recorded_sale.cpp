// A recorded sale read back for its documents: the header, the branch that issues them, the
// consumer with the order's address, the items with the product's fiscal columns and the
// item's tax rate, and the cash movements. Approximate taxes are worked out per item on its net
// value, in the branch's state, on the sale's date.

#include "fiscal/sale/recorded_sale.h"

#include <cmath>

#include "db/statement_kit.h"
#include "fiscal/taxes/approximate_taxes.h"
#include "rtl/errors.h"
#include "vyrutil/numbers.h"
#include "vyrutil/strings.h"

namespace VyrFiscal {
namespace {

const char* const kSelVenda =
    R"mssql(SELECT VE.CDLOJA, VE.NRVENDAREST, VE.NRCOMANDAVND, VE.CDSENHAPED, VE.DTVENDA, VE.CDCLIENTE, VE.CDCONSUMIDOR, VE.NMCONSVEND, VE.NRINSCRCONS, VE.DSENDECONSVENDA, VE.DSCOMPLENDCOVEN, VE.DSBAIRRO, VE.CDMUNICIPIO, VE.SGESTADO, VE.NRCEPCONSVENDA, CAST(VE.DSREFENDCONSVEN AS VARCHAR(2000)) AS DSREFENDCONSVEN, VE.NRENDECONSVENDA, VE.NMMUNICONSVENDA, VE.IDORIGEMVENDA, IT.NRCNPJINTERMED, IT.IDCADINTTRAN, FI.DSFUSOHORARIO, FI.NRINSJURFILI, FI.NMRAZSOCFILI, FI.NMFANTFILI, FI.NRINSESTFILI, FI.IDREGTRIBFILI, FI.DSENDEFILI, FI.NRENDEFILI, FI.DSCOMPLFILI, FI.NMBAIRFILI, FI.CDMUNIBGE, FI.NMMUNICIPIO, FI.SGESTADO AS SGESTADOFILI, FI.CDUFIBGE, FI.NRCEPFILI, FI.NRTELEFILI FROM VENDA VE LEFT JOIN FILIAL FI ON (FI.CDFILIAL = VE.CDFILIAL) LEFT JOIN INTERMEDVENDA IT ON (IT.CDFILIAL = VE.CDFILIAL) AND (IT.IDORIGEMVENDA = VE.IDORIGEMVENDA) WHERE (VE.CDFILIAL = :P_CDFILIAL) AND (VE.CDCAIXA = :P_CDCAIXA) AND (VE.NRSEQVENDA = :P_NRSEQVENDA))mssql";

const char* const kSelItens =
    R"mssql(SELECT IV.NRSEQUITVEND, IV.CDPRODUTO, IV.QTPRODVEND, IV.VRUNITVEND, IV.VRDESITVEND, IV.VRACRITVEND, PR.NMPRODUTO, PR.NRNCM, PR.CDCEST, PR.CDCFOP, PR.SGUNIDADE, PR.IDORIGPROD, PR.CDSITTRIBICMS, PR.CDGTIN, PR.CDSITTRIBPIS, PR.VRALIQPIS, PR.VRALIQCOFINS, SR.CDSITTRIBDOC, SR.CDSITTRIBPIS AS CDSITTRIBPISREG, SR.VRALIQPIS AS VRALIQPISREG, SR.VRALIQCOFINS AS VRALIQCOFINSREG, IM.VRPEALPRODIT FROM ITEMVENDA IV LEFT JOIN PRODUTO PR ON (PR.CDPRODUTO = IV.CDPRODUTO) LEFT JOIN SITTRIBREGIME SR ON (SR.IDREGTRIBFILI = :P_IDREGTRIBFILI) AND (SR.CDSITTRIBICMS = PR.CDSITTRIBICMS) LEFT JOIN ITVENDAIMPOS IM ON (IM.CDFILIAL = IV.CDFILIAL) AND (IM.CDCAIXA = IV.CDCAIXA) AND (IM.NRSEQVENDA = IV.NRSEQVENDA) AND (IM.NRSEQUITVEND = IV.NRSEQUITVEND) AND (IM.NRSEQITIMPOS = '001') WHERE (IV.CDFILIAL = :P_CDFILIAL) AND (IV.CDCAIXA = :P_CDCAIXA) AND (IV.NRSEQVENDA = :P_NRSEQVENDA) ORDER BY IV.NRSEQUITVEND)mssql";

const char* const kSelMovimentos =
    R"mssql(SELECT CDTIPORECE, NMTIPORECE, IDTIPORECE, CDFPIMPFIS, VRMOVIVEND, CDNSUHOSTTEF FROM MOVCAIXA WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA) AND (NRSEQVENDA = :P_NRSEQVENDA) ORDER BY NRSEQUMOVI)mssql";

using VyrUtil::Arredonda2;
using VyrUtil::SoDigitos;

std::string Campo(ado::TADOQuery& query, const char* column) {
  return query.FieldByName(column).AsString();
}

Emitente LeEmitente(ado::TADOQuery& q) {
  Emitente e;
  e.CNPJ = SoDigitos(Campo(q, "NRINSJURFILI"));
  e.xNome = Campo(q, "NMRAZSOCFILI");
  e.xFant = Campo(q, "NMFANTFILI");
  e.IE = SoDigitos(Campo(q, "NRINSESTFILI"));
  e.CRT = Campo(q, "IDREGTRIBFILI");
  e.xLgr = Campo(q, "DSENDEFILI");
  e.nro = Campo(q, "NRENDEFILI");
  e.xCpl = Campo(q, "DSCOMPLFILI");
  e.xBairro = Campo(q, "NMBAIRFILI");
  e.cMun = Campo(q, "CDMUNIBGE");
  e.xMun = Campo(q, "NMMUNICIPIO");
  e.UF = Campo(q, "SGESTADOFILI");
  e.cUF = Campo(q, "CDUFIBGE");
  e.CEP = SoDigitos(Campo(q, "NRCEPFILI"));
  e.fone = SoDigitos(Campo(q, "NRTELEFILI"));
  e.fuso = Campo(q, "DSFUSOHORARIO");
  return e;
}

Destinatario LeDestinatario(ado::TADOQuery& q) {
  Destinatario d;
  d.CPFCNPJ = SoDigitos(Campo(q, "NRINSCRCONS"));
  d.xNome = Campo(q, "NMCONSVEND");
  d.xLgr = Campo(q, "DSENDECONSVENDA");
  d.nro = Campo(q, "NRENDECONSVENDA");
  d.xMun = Campo(q, "NMMUNICONSVENDA");
  d.xCpl = Campo(q, "DSCOMPLENDCOVEN");
  d.xBairro = Campo(q, "DSBAIRRO");
  d.cMun = Campo(q, "CDMUNICIPIO");
  d.UF = Campo(q, "SGESTADO");
  d.CEP = SoDigitos(Campo(q, "NRCEPCONSVENDA"));
  d.xRef = Campo(q, "DSREFENDCONSVEN");
  d.CDCLIENTE = Campo(q, "CDCLIENTE");
  d.CDCONSUMIDOR = Campo(q, "CDCONSUMIDOR");
  return d;
}

ItemVendido LeItem(ado::TADOQuery& q, int nItem) {
  ItemVendido item;
  item.nItem = nItem;
  item.cProd = Campo(q, "CDPRODUTO");
  item.xProd = Campo(q, "NMPRODUTO");
  item.NCM = Campo(q, "NRNCM");
  item.CEST = Campo(q, "CDCEST");
  item.CFOP = Campo(q, "CDCFOP");
  item.uCom = Campo(q, "SGUNIDADE");
  item.orig = Campo(q, "IDORIGPROD");
  item.situacaoProduto = Campo(q, "CDSITTRIBICMS");
  item.CSTICMS = Campo(q, "CDSITTRIBDOC");
  item.GTIN = SoDigitos(Campo(q, "CDGTIN"));
  // The product's own PIS/COFINS when it sets them, else its regime's.
  const bool proprio = !VyrUtil::EmptyString(Campo(q, "CDSITTRIBPIS"));
  item.CSTPIS = Campo(q, proprio ? "CDSITTRIBPIS" : "CDSITTRIBPISREG");
  item.pPIS = q.FieldByName(proprio ? "VRALIQPIS" : "VRALIQPISREG").AsFloat();
  item.pCOFINS = q.FieldByName(proprio ? "VRALIQCOFINS" : "VRALIQCOFINSREG").AsFloat();
  item.pICMS = q.FieldByName("VRPEALPRODIT").AsFloat();
  item.qCom = q.FieldByName("QTPRODVEND").AsFloat();
  item.vUnCom = q.FieldByName("VRUNITVEND").AsFloat();
  item.vProd = Arredonda2(item.qCom * item.vUnCom);
  item.vDesc = Arredonda2(q.FieldByName("VRDESITVEND").AsFloat());
  item.vOutro = Arredonda2(q.FieldByName("VRACRITVEND").AsFloat());
  return item;
}

}  // namespace

VendaGravada LeVendaGravada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  const ado::Bindings chave = {
      {"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}, {"P_NRSEQVENDA", NRSEQVENDA}};
  const std::vector<ado::ParamDecl> params =
      ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA"});
  ado::TADOQuery adqVenda, adqItens, adqMovimentos;
  ado::DeclareQuery(adqVenda, conexao, kSelVenda, params, "adqVendaGravada");
  ado::DeclareQuery(adqItens, conexao, kSelItens,
                    ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA", "P_IDREGTRIBFILI"}),
                    "adqItensVendaGravada");
  ado::DeclareQuery(adqMovimentos, conexao, kSelMovimentos, params, "adqMovimentosVendaGravada");

  ado::OpenQuery(adqVenda, chave);
  if (adqVenda.IsEmpty()) {
    throw rtl::EDatabaseError("Venda " + NRSEQVENDA + " do caixa " + CDCAIXA + " da filial " +
                              CDFILIAL + " não encontrada na tabela VENDA.");
  }
  VendaGravada venda;
  venda.CDFILIAL = CDFILIAL;
  venda.CDCAIXA = CDCAIXA;
  venda.NRSEQVENDA = NRSEQVENDA;
  venda.CDLOJA = Campo(adqVenda, "CDLOJA");
  venda.NRVENDAREST = Campo(adqVenda, "NRVENDAREST");
  venda.NRCOMANDA = Campo(adqVenda, "NRCOMANDAVND");
  venda.senha = Campo(adqVenda, "CDSENHAPED");
  venda.dtVenda = adqVenda.FieldByName("DTVENDA").AsDateTime();
  venda.emitente = LeEmitente(adqVenda);
  venda.destinatario = LeDestinatario(adqVenda);
  venda.origem = Campo(adqVenda, "IDORIGEMVENDA");
  venda.cnpjIntermediador = SoDigitos(Campo(adqVenda, "NRCNPJINTERMED"));
  venda.idCadIntTran = Campo(adqVenda, "IDCADINTTRAN");

  venda.tabelaIbpt = TabelaIbptCarregada(conexao, venda.emitente.UF, venda.dtVenda);
  ado::Bindings chaveItens = chave;
  chaveItens.push_back({"P_IDREGTRIBFILI", venda.emitente.CRT});
  ado::OpenQuery(adqItens, chaveItens);
  for (adqItens.First(); !adqItens.Eof(); adqItens.Next()) {
    ItemVendido item = LeItem(adqItens, static_cast<int>(venda.itens.size()) + 1);
    const double base = item.vProd - item.vDesc + item.vOutro;
    const TributoAproximado tributo =
        TributoItem(conexao, item.NCM, item.orig, venda.emitente.UF, base, venda.dtVenda);
    item.vTotTrib = Arredonda2(tributo.federal + tributo.estadual);
    venda.vTribFederal += tributo.federal;
    venda.vTribEstadual += tributo.estadual;
    venda.vProd += item.vProd;
    venda.vDesc += item.vDesc;
    venda.vOutro += item.vOutro;
    venda.itens.push_back(item);
  }
  venda.vProd = Arredonda2(venda.vProd);
  venda.vDesc = Arredonda2(venda.vDesc);
  venda.vOutro = Arredonda2(venda.vOutro);
  venda.vNF = Arredonda2(venda.vProd - venda.vDesc + venda.vOutro);
  venda.vTribFederal = Arredonda2(venda.vTribFederal);
  venda.vTribEstadual = Arredonda2(venda.vTribEstadual);

  ado::OpenQuery(adqMovimentos, chave);
  for (adqMovimentos.First(); !adqMovimentos.Eof(); adqMovimentos.Next()) {
    Pagamento pagamento;
    pagamento.CDTIPORECE = Campo(adqMovimentos, "CDTIPORECE");
    pagamento.NMTIPORECE = Campo(adqMovimentos, "NMTIPORECE");
    pagamento.IDTIPORECE = Campo(adqMovimentos, "IDTIPORECE");
    pagamento.CDFPIMPFIS = Campo(adqMovimentos, "CDFPIMPFIS");
    pagamento.valor = adqMovimentos.FieldByName("VRMOVIVEND").AsFloat();
    pagamento.CDNSUHOSTTEF = Campo(adqMovimentos, "CDNSUHOSTTEF");
    venda.pagamentos.push_back(pagamento);
  }
  return venda;
}

}  // namespace VyrFiscal
