// The rows of a recorded sale, written inside the caller's transaction in this order: the header
// (VENDA), the bill's cancelled items (ITVENDACAN), each item (ITEMVENDA) followed by its tax
// (ITVENDAIMPOS), the cash movements (MOVCAIXA) and the consumer-account debits.
//
// Lines and taxes follow the store's rules for every recorded sale, the cancelled ones
// included: lines numbered from "001" per list, the product's group and subgroup under the
// line's branch or else under the shared branch "P", one tax row per item from the product's
// first rate, its amount cut to two decimals.

#include <cstdio>

#include "fiscal/sale/sale_closing.h"
#include "fiscal/sale/sale_statements.h"
#include "receivables/consumer_account.h"
#include "vyrutil/numbers.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Venda {
namespace {

const char* const kInsVenda =
    R"mssql(INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCLIENTE, CDEMPRESA, CDVENDEDOR, DTVENDA, DTENTRVENDA, IDSITUVENDA, VRDESCVENDA, CDFILIALTUR, CDCAIXATUR, DTABERTUR, DTFECHAVENDA, NRCUPOMFIS, CDOPERADOR, CDLOJA, IDTIPOVENDA, IDTPFORPGVEN, IDVENDEBCONS, NRMESA, CDCONSUMIDOR, NRCOMANDAVND, DSCOMANDAVND, CDSERVFILI, NMCONSVEND, NRINSCRCONS, NRVENDAEXT, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, DSENDECONSVENDA, DSCOMPLENDCOVEN, NRCEPCONSVENDA, NRSEQVENDAMSDE, IDORIGEMVENDA, NRVENDAREST, CDSENHAPED, DSBAIRRO, DSREFENDCONSVEN, VRTOTTRIBVEND, IDTIPOEMISSAO) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :CDCLIENTE, :CDEMPRESA, :CDVENDEDOR, :DTVENDA, :DTENTRVENDA, :IDSITUVENDA, :VRDESCVENDA, :CDFILIAL, :CDCAIXA, :DTABERTUR, :DTFECHAVENDA, :NRCUPOMFIS, :CDOPERADOR, :CDLOJA, :IDTIPOVENDA, :IDTPFORPGVEN, :IDVENDEBCONS, :NRMESA, :CDCONSUMIDOR, :NRCOMANDAVND, :DSCOMANDAVND, :CDSERVFILI, :NMCONSVEND, :NRINSCRCONS, :NRVENDAEXT, :CDMUNICIPIO, :CDPAIS, :SGESTADO, :CDBAIRRO, :DSENDECONSVENDA, :DSCOMPLENDCOVEN, :NRCEPCONSVENDA, :NRSEQVENDA, :IDORIGEMVENDA, :NRVENDAREST, :CDSENHAPED, :DSBAIRRO, :DSREFENDCONSVEN, :VRTOTTRIBVEND, :IDTIPOEMISSAO))mssql";

const char* const kInsItemVenda =
    R"mssql(INSERT INTO ITEMVENDA (CDFILIAL, CDLOJA, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, QTPRODVEND, VRUNITVEND, CDPRODUTO, VRDESITVEND, VRUNITVENDCL, VRACRITVEND, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVND, CDFAMILISALD) VALUES (:CDFILIAL, :CDLOJA, :CDCAIXA, :NRSEQVENDA, :NRSEQUITVEND, :QTPRODVEND, :VRUNITVEND, :CDPRODUTO, :VRDESITVEND, 0, :VRACRITVEND, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGR, :CDFAMILISALD))mssql";

const char* const kInsItVendaImpos =
    R"mssql(INSERT INTO ITVENDAIMPOS (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, NRSEQITIMPOS, CDIMPOSTO, CDIMPOSTOEX, VRPEALPRODIT, VRIMPOPRODIT) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQUITVEND, '001', :CDIMPOSTO, :CDIMPOSTOEX, :VRPEALPRODIT, :VRIMPOPRODIT))mssql";

const char* const kInsItVendaCan =
    R"mssql(INSERT INTO ITVENDACAN (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQITVENDC, QTPRODVENDC, VRUNITVENDC, VRDESITVENDC, CDPRODUTO, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQITVENDC, :QTPRODVENDC, :VRUNITVENDC, :VRDESITVENDC, :CDPRODUTO, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGR))mssql";

const char* const kInsMovCaixa =
    R"mssql(INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUMOVI, IDTIPOMOVIVE, DSMOVIVEND, CDTIPORECE, DTHRINCMOV, CDTIPOTROCO, VRMOVIVEND, NMTIPORECE, NRORDTROCO, CDCLIENTE, CDCONSUMIDOR, DTMOVIMCAIXA, DSIMPFISCAL, IDTIPORECE, CDFPIMPFIS, CDBANCARTCR, CDNSUHOSTTEF) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQUMOVI, :IDTIPOMOVIVE, :DSMOVIVEND, :CDTIPORECE, :DTHRINCMOV, :CDTIPOTROCO, :VRMOVIVEND, :NMTIPORECE, :NRORDTROCO, :CDCLIENTE, :CDCONSUMIDOR, :DTMOVIMCAIXA, :DSIMPFISCAL, :IDTIPORECE, :CDFPIMPFIS, :CDBANCARTCR, :CDNSUHOSTTEF))mssql";

const char* const kSelParaVend =
    R"mssql(SELECT CDGRPRODPDV FROM PARAVEND WHERE (CDFILIAL = :P_CDFILIAL))mssql";

const char* const kSelOperAber =
    R"mssql(SELECT CDOPERABER FROM TURCAIXA WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA) AND (DTABERCAIX = :P_DTABERCAIX))mssql";

const char* const kSelPrSubGrProd =
    R"mssql(SELECT CDFILISUBGR, CDSUBGRPROD FROM PRSUBGRPROD WHERE (CDFILISUBGR = :P_CDFILIAL) AND (CDGRUPPROD = :P_CDGRUPPROD) AND (CDPRODUTO = :P_CDPRODUTO))mssql";

const char* const kSelAliqImpFis =
    R"mssql(SELECT AL.VRPEALIMPFIS, AL.CDIMPOSTO, IP.CDINTIMPOSTO FROM ALIQIMPFIS AL, IMPOSTO IP, PRODUTO PD WHERE (AL.CDFILIAL = :P_CDFILIAL) AND (AL.CDPRODUTO = PD.CDPRODUTO) AND (AL.CDIMPOSTO = IP.CDIMPOSTO) AND ((PD.CDARVPROD = :P_CDPRODUTO) OR (PD.CDPRODUTO = :P_CDPRODUTO)))mssql";

const char* const kSituacaoVendida = "A";  // the cancelled recording writes "C"
const char* const kFilialComum = "P";
const char* const kPagamentoConsumidor = "9";

// The text columns of a cash movement, copied as the closing built them.
const char* const kTextosMovimento[] = {"IDTIPOMOVIVE", "DSMOVIVEND", "CDTIPORECE", "CDTIPOTROCO",
                                        "NMTIPORECE",   "NRORDTROCO", "CDCLIENTE",  "CDCONSUMIDOR",
                                        "DSIMPFISCAL",  "IDTIPORECE", "CDFPIMPFIS", "CDBANCARTCR",
                                        "CDNSUHOSTTEF"};

std::string Contador(int value) {
  return VyrUtil::Ajusta(std::to_string(value), 3);
}

double ValorImposto(double preco, double quantidade, double aliquota) {
  const long double valor = static_cast<long double>(preco) * quantidade / 100 * aliquota;
  return VyrUtil::Trunc2(static_cast<double>(valor));
}

bool PagaNaConta(const rtl::DataPacket& movimentos) {
  for (size_t row = 0; row < movimentos.RowCount(); ++row) {
    if (LinhaPacote(movimentos, row).Texto("IDTIPORECE") == kPagamentoConsumidor) return true;
  }
  return false;
}

class Gravador {
 public:
  Gravador(ado::TADOConnection& conexao, const Fechamento& f, std::string NRSEQVENDA)
      : conexao_(conexao), f_(f), numero_(std::move(NRSEQVENDA)) {
    Declara(acmInsVenda, "acmInsVendaFiscal", conexao, kInsVenda, ParametrosCabecalho());
    Declara(acmInsItemVenda, "acmInsItemVendaFiscal", conexao, kInsItemVenda,
            {Texto("CDFILIAL"), Texto("CDLOJA"), Texto("CDCAIXA"), Texto("NRSEQVENDA"),
             Texto("NRSEQUITVEND"), Numero("QTPRODVEND"), Numero("VRUNITVEND"), Texto("CDPRODUTO"),
             Numero("VRDESITVEND"), Numero("VRACRITVEND"), Texto("CDGRUPPROD"),
             Texto("CDSUBGRPROD"), Texto("CDFISUBGR"), Texto("CDFAMILISALD")});
    Declara(
        acmInsItVendaImpos, "acmInsItVendaImposFiscal", conexao, kInsItVendaImpos,
        {Texto("CDFILIAL"), Texto("CDCAIXA"), Texto("NRSEQVENDA"), Texto("NRSEQUITVEND"),
         Texto("CDIMPOSTO"), Texto("CDIMPOSTOEX"), Numero("VRPEALPRODIT"), Numero("VRIMPOPRODIT")});
    Declara(acmInsItVendaCan, "acmInsItVendaCanFiscal", conexao, kInsItVendaCan,
            {Texto("CDFILIAL"), Texto("CDCAIXA"), Texto("NRSEQVENDA"), Texto("NRSEQITVENDC"),
             Numero("QTPRODVENDC"), Numero("VRUNITVENDC"), Numero("VRDESITVENDC"),
             Texto("CDPRODUTO"), Texto("CDGRUPPROD"), Texto("CDSUBGRPROD"), Texto("CDFISUBGR")});
    Declara(acmInsMovCaixa, "acmInsMovCaixaFiscal", conexao, kInsMovCaixa, ParametrosMovimento());
    Declara(adqParaVend, "adqParaVendFiscal", conexao, kSelParaVend, {Texto("P_CDFILIAL")});
    Declara(adqOperAber, "adqOperAberFiscal", conexao, kSelOperAber,
            {Texto("P_CDFILIAL"), Texto("P_CDCAIXA"), DataHora("P_DTABERCAIX")});
    Declara(adqPrSubGrProd, "adqPrSubGrProdFiscal", conexao, kSelPrSubGrProd,
            {Texto("P_CDFILIAL"), Texto("P_CDGRUPPROD"), Texto("P_CDPRODUTO")});
    Declara(adqAliqImpFis, "adqAliqImpFisFiscal", conexao, kSelAliqImpFis,
            {Texto("P_CDFILIAL"), Texto("P_CDPRODUTO"), Texto("P_CDPRODUTO")});
  }

  void Grava() {
    Abre(adqParaVend, {{"P_CDFILIAL", f_.CDFILIAL}});
    grupoPdv_ = Primeiro(adqParaVend, "CDGRPRODPDV");
    GravaCabecalho();
    for (size_t row = 0; row < f_.cancelados.RowCount(); ++row) {
      GravaCancelado(LinhaPacote(f_.cancelados, row), Contador(static_cast<int>(row) + 1));
    }
    for (size_t row = 0; row < f_.vendas.RowCount(); ++row) {
      GravaItem(LinhaPacote(f_.vendas, row), Contador(static_cast<int>(row) + 1));
    }
    for (size_t row = 0; row < f_.movimentos.RowCount(); ++row) {
      GravaMovimento(LinhaPacote(f_.movimentos, row), Contador(static_cast<int>(row) + 1));
    }
  }

 private:
  static std::vector<ado::ParamDecl> ParametrosCabecalho() {
    std::vector<ado::ParamDecl> params;
    for (const char* name :
         {"CDFILIAL",        "CDCAIXA",         "NRSEQVENDA",      "CDCLIENTE",     "CDEMPRESA",
          "CDVENDEDOR",      "IDSITUVENDA",     "NRCUPOMFIS",      "CDOPERADOR",    "CDLOJA",
          "IDTIPOVENDA",     "IDTPFORPGVEN",    "IDVENDEBCONS",    "NRMESA",        "CDCONSUMIDOR",
          "NRCOMANDAVND",    "DSCOMANDAVND",    "CDSERVFILI",      "NMCONSVEND",    "NRINSCRCONS",
          "NRVENDAEXT",      "CDMUNICIPIO",     "CDPAIS",          "SGESTADO",      "CDBAIRRO",
          "DSENDECONSVENDA", "DSCOMPLENDCOVEN", "NRCEPCONSVENDA",  "IDORIGEMVENDA", "NRVENDAREST",
          "CDSENHAPED",      "DSBAIRRO",        "DSREFENDCONSVEN", "IDTIPOEMISSAO"}) {
      params.push_back(Texto(name));
    }
    for (const char* name : {"DTVENDA", "DTENTRVENDA", "DTABERTUR", "DTFECHAVENDA"}) {
      params.push_back(DataHora(name));
    }
    params.push_back(Numero("VRDESCVENDA"));
    params.push_back(Numero("VRTOTTRIBVEND"));
    return params;
  }

  static std::vector<ado::ParamDecl> ParametrosMovimento() {
    std::vector<ado::ParamDecl> params = {
        Texto("CDFILIAL"),      Texto("CDCAIXA"),         Texto("NRSEQVENDA"), Texto("NRSEQUMOVI"),
        DataHora("DTHRINCMOV"), DataHora("DTMOVIMCAIXA"), Numero("VRMOVIVEND")};
    for (const char* name : kTextosMovimento) params.push_back(Texto(name));
    return params;
  }

  void GravaCabecalho() {
    const LinhaPacote primeira(f_.vendas, 0);
    Abre(adqOperAber, {{"P_CDFILIAL", f_.CDFILIAL},
                       {"P_CDCAIXA", f_.CDCAIXA},
                       {"P_DTABERCAIX", rtl::Variant::FromDateTime(f_.dtAberturaCaixa)}});
    std::string operador = Primeiro(adqOperAber, "CDOPERABER");
    if (operador.empty()) operador = primeira.Texto("CDOPERADOR");
    Executa(acmInsVenda, {{"CDFILIAL", f_.CDFILIAL},
                          {"CDCAIXA", f_.CDCAIXA},
                          {"NRSEQVENDA", numero_},
                          {"CDCLIENTE", primeira.Valor("CDCLIENTE")},
                          {"CDEMPRESA", f_.CDEMPRESA},
                          {"CDVENDEDOR", primeira.Valor("CDVENDEDOR")},
                          {"DTVENDA", rtl::Variant::FromDateTime(rtl::Now())},
                          // Time zero: the scan's sale check finds today's sales by this date.
                          {"DTENTRVENDA", rtl::Variant::FromDateTime(rtl::Date())},
                          {"IDSITUVENDA", kSituacaoVendida},
                          {"VRDESCVENDA", 0.0},
                          {"DTABERTUR", rtl::Variant::FromDateTime(f_.dtAberturaCaixa)},
                          {"DTFECHAVENDA", rtl::Variant::FromDateTime(rtl::Now())},
                          {"NRCUPOMFIS", ""},
                          {"CDOPERADOR", operador},
                          {"CDLOJA", f_.CDLOJA},
                          {"IDTIPOVENDA", "D"},
                          {"IDTPFORPGVEN", "V"},
                          {"IDVENDEBCONS", PagaNaConta(f_.movimentos) ? "S" : "N"},
                          {"NRMESA", ""},
                          {"CDCONSUMIDOR", primeira.Valor("CDCONSUMIDOR")},
                          {"NRCOMANDAVND", f_.NRCOMANDA},
                          {"DSCOMANDAVND", f_.DSCOMANDA},
                          {"CDSERVFILI", primeira.Valor("CDSERVFILI")},
                          {"NMCONSVEND", primeira.Valor("NMCONSVEND")},
                          {"NRINSCRCONS", primeira.Valor("NRINSCRCONS")},
                          {"NRVENDAEXT", ""},
                          {"CDMUNICIPIO", f_.CDMUNICIPIO},
                          {"CDPAIS", f_.CDPAIS},
                          {"SGESTADO", f_.SGESTADO},
                          {"CDBAIRRO", f_.CDBAIRRO},
                          {"DSENDECONSVENDA", f_.DSENDECONSCOMAN},
                          {"DSCOMPLENDCOVEN", f_.DSCOMPLENDCOCOM},
                          {"NRCEPCONSVENDA", f_.NRCEPCONSCOMAND},
                          {"IDORIGEMVENDA", f_.idOrigemVenda},
                          {"NRVENDAREST", f_.NRVENDAREST},
                          {"CDSENHAPED", primeira.Valor("CDSENHAPED")},
                          {"DSBAIRRO", f_.DSBAIRRO},
                          {"DSREFENDCONSVEN", f_.DSREFENDCONSCOM},
                          {"VRTOTTRIBVEND", f_.vrTotalTrib},
                          {"IDTIPOEMISSAO", f_.idTipoEmissao}});
  }

  // The group, subgroup and subgroup branch of a line; NULL when the branch has no
  // point-of-sale group or the product no subgroup in it.
  Valores Grupo(const std::string& CDFILIAL, const std::string& CDPRODUTO) {
    Valores grupo = {{"CDGRUPPROD", rtl::Variant::Null()},
                     {"CDSUBGRPROD", rtl::Variant::Null()},
                     {"CDFISUBGR", rtl::Variant::Null()}};
    if (VyrUtil::EmptyString(grupoPdv_)) return grupo;
    Abre(adqPrSubGrProd,
         {{"P_CDFILIAL", CDFILIAL}, {"P_CDGRUPPROD", grupoPdv_}, {"P_CDPRODUTO", CDPRODUTO}});
    if (adqPrSubGrProd.IsEmpty()) Abre(adqPrSubGrProd, {{"P_CDFILIAL", kFilialComum}});
    if (adqPrSubGrProd.IsEmpty()) return grupo;
    grupo[0].valor = grupoPdv_;
    grupo[1].valor = Primeiro(adqPrSubGrProd, "CDSUBGRPROD");
    grupo[2].valor = Primeiro(adqPrSubGrProd, "CDFILISUBGR");
    return grupo;
  }

  void GravaCancelado(const LinhaPacote& item, const std::string& sequencia) {
    const std::string filial =
        item.Valor("CDFILIAL").IsEmptyOrNull() ? f_.CDFILIAL : item.Texto("CDFILIAL");
    const std::string produto = item.Texto("CDPRODUTO");
    Valores valores = {{"CDFILIAL", filial},
                       {"CDCAIXA", f_.CDCAIXA},
                       {"NRSEQVENDA", numero_},
                       {"NRSEQITVENDC", sequencia},
                       {"QTPRODVENDC", item.Numero("QTPRODCOMVEN")},
                       {"VRUNITVENDC", item.Numero("VRPRECCOMVEN")},
                       {"VRDESITVENDC", item.Numero("VRDESCCOMVEN")},
                       {"CDPRODUTO", produto}};
    const Valores grupo = Grupo(filial, produto);
    valores.insert(valores.end(), grupo.begin(), grupo.end());
    Executa(acmInsItVendaCan, valores);
  }

  void GravaItem(const LinhaPacote& item, const std::string& sequencia) {
    const std::string filial =
        item.Valor("CDFILIAL").IsEmptyOrNull() ? f_.CDFILIAL : item.Texto("CDFILIAL");
    const std::string produto = item.Texto("CDPRODUTO");
    const double quantidade = item.Numero("QTPRODCOMVEN");
    const double preco = item.Numero("VRPRECCOMVEN");
    Valores valores = {{"CDFILIAL", filial},
                       {"CDLOJA", item.Valor("CDLOJA")},
                       {"CDCAIXA", f_.CDCAIXA},
                       {"NRSEQVENDA", numero_},
                       {"NRSEQUITVEND", sequencia},
                       {"QTPRODVEND", quantidade},
                       {"VRUNITVEND", preco},
                       {"CDPRODUTO", produto},
                       {"VRDESITVEND", item.Numero("VRDESITVEND")},
                       {"VRACRITVEND", item.Numero("VRACRITVEND")},
                       {"CDFAMILISALD", item.Texto("CDFAMILISALD")}};
    const Valores grupo = Grupo(filial, produto);
    valores.insert(valores.end(), grupo.begin(), grupo.end());
    Executa(acmInsItemVenda, valores);

    Abre(adqAliqImpFis, {{"P_CDFILIAL", filial}, {"P_CDPRODUTO", produto}});
    const bool semAliquota = adqAliqImpFis.IsEmpty();
    const double aliquota = semAliquota ? 0 : adqAliqImpFis.FieldByName("VRPEALIMPFIS").AsFloat();
    Executa(acmInsItVendaImpos, {{"CDFILIAL", filial},
                                 {"CDCAIXA", f_.CDCAIXA},
                                 {"NRSEQVENDA", numero_},
                                 {"NRSEQUITVEND", sequencia},
                                 {"CDIMPOSTO", Primeiro(adqAliqImpFis, "CDIMPOSTO")},
                                 {"CDIMPOSTOEX", Primeiro(adqAliqImpFis, "CDINTIMPOSTO")},
                                 {"VRPEALPRODIT", aliquota},
                                 {"VRIMPOPRODIT", ValorImposto(preco, quantidade, aliquota)}});
  }

  void GravaMovimento(const LinhaPacote& movimento, const std::string& sequencia) {
    Valores valores = {{"CDFILIAL", f_.CDFILIAL},
                       {"CDCAIXA", f_.CDCAIXA},
                       {"NRSEQVENDA", numero_},
                       {"NRSEQUMOVI", sequencia},
                       {"DTHRINCMOV", movimento.Valor("DTHRINCMOV")},
                       {"DTMOVIMCAIXA", movimento.Valor("DTMOVIMCAIXA")},
                       {"VRMOVIVEND", movimento.Numero("VRMOVIVEND")}};
    for (const char* name : kTextosMovimento) valores.push_back({name, movimento.Valor(name)});
    Executa(acmInsMovCaixa, valores);
    if (movimento.Texto("IDTIPORECE") == kPagamentoConsumidor) LancaDebito(movimento);
  }

  // A payment on the consumer's account is a debit on it, in the sale's own transaction.
  void LancaDebito(const LinhaPacote& movimento) {
    const LinhaPacote primeira(f_.vendas, 0);
    std::string cliente = movimento.Texto("CDCLIENTE");
    std::string consumidor = movimento.Texto("CDCONSUMIDOR");
    if (cliente.empty()) cliente = primeira.Texto("CDCLIENTE");
    if (consumidor.empty()) consumidor = primeira.Texto("CDCONSUMIDOR");
    const rtl::Variant quando = movimento.Valor("DTHRINCMOV");
    VyrRecebimento::LancaDebitoConsumidor(
        conexao_, cliente, consumidor, f_.CDFILIAL, f_.CDCAIXA, numero_,
        movimento.Numero("VRMOVIVEND"), quando.IsEmptyOrNull() ? rtl::Now() : quando.AsDateTime());
  }

  ado::TADOConnection& conexao_;
  const Fechamento& f_;
  const std::string numero_;
  std::string grupoPdv_;

  ado::TADOCommand acmInsVenda, acmInsItemVenda, acmInsItVendaImpos, acmInsItVendaCan,
      acmInsMovCaixa;
  ado::TADOQuery adqParaVend, adqOperAber, adqPrSubGrProd, adqAliqImpFis;
};

}  // namespace

void GravaVenda(ado::TADOConnection& conexao, const Fechamento& fechamento,
                const std::string& NRSEQVENDA) {
  Gravador(conexao, fechamento, NRSEQVENDA).Grava();
}

}  // namespace VyrFiscal::Venda
