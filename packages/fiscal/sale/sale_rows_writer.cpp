#include "fiscal/sale/sale_rows_writer.h"

#include <cstdio>

#include "fiscal/kept_settings.h"
#include "vyrutil/numbers.h"
#include "vyrutil/strings.h"

namespace VyrFiscal {
namespace {

// The store's texts, as the closing module has always run them; the package's own sales take
// them too, so both write the same rows.
const char* const kSelParaVend =
    R"mssql(SELECT IDORIGVENDA , CDTABEPREC, IDALTPRECO, CDGRPRODPDV, IDUTSUBTCONS FROM PARAVEND WHERE (CDFILIAL = :P_CDFILIAL))mssql";

const char* const kSelOperAber =
    R"mssql(SELECT CDOPERABER FROM TURCAIXA WHERE (CDFILIAL = :P_CDFILIAL ) AND (CDCAIXA = :P_CDCAIXA ) AND (DTABERCAIX = :P_DTABERCAIX))mssql";

const char* const kSelPrSubGrProd =
    R"mssql(SELECT PR.CDFILISUBGR, PR.CDGRUPPROD, PR.CDSUBGRPROD, PR.CDPRODUTO FROM PRSUBGRPROD PR WHERE (PR.CDFILISUBGR = :P_CDFILIAL) AND (PR.CDGRUPPROD = :P_CDGRUPPROD) AND (PR.CDPRODUTO = :P_CDPRODUTO))mssql";

const char* const kSelAliqImpFis =
    R"mssql(SELECT AL.VRPEALIMPFIS, AL.CDIMPOSTO, IP.IDTPIMPOSFIS, IP.CDINTIMPOSTO, IP.IDTRATIMPO FROM ALIQIMPFIS AL, IMPOSTO IP , PRODUTO PD WHERE (AL.CDFILIAL = :P_CDFILIAL ) AND (AL.CDPRODUTO = PD.CDPRODUTO) AND (AL.CDIMPOSTO = IP.CDIMPOSTO) and ((PD.CDARVPROD = :P_CDPRODUTO) or ( PD.CDPRODUTO = :P_CDPRODUTO)))mssql";

const char* const kInsItemVenda =
    R"mssql(INSERT INTO ITEMVENDA (CDFILIAL, CDLOJA, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, QTPRODVEND, VRUNITVEND, CDPRODUTO, VRDESITVEND, VRUNITVENDCL, VRACRITVEND, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVND, CDFAMILISALD) VALUES (:CDFILIAL, :CDLOJA, :CDCAIXA, :NRSEQVENDA, :NRSEQUITVEND, :QTPRODVEND, :VRUNITVEND, :CDPRODUTO, :VRDESITVEND, 0, :VRACRITVEND, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGRVND, :CDFAMILISALD))mssql";

const char* const kInsItVendaImpos =
    R"mssql(INSERT INTO ITVENDAIMPOS (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, NRSEQITIMPOS, CDIMPOSTO, CDIMPOSTOEX, VRPEALPRODIT, VRIMPOPRODIT) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQUITVEND, :NRSEQITIMPOS, :CDIMPOSTO, :CDIMPOSTOEX, :VRPEALPRODIT, :VRIMPOPRODIT))mssql";

const char* const kInsItVendaCan =
    R"mssql(INSERT INTO ITVENDACAN (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQITVENDC, QTPRODVENDC, VRUNITVENDC, VRDESITVENDC, CDPRODUTO, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQITVENDC, :QTPRODVENDC, :VRUNITVENDC, :VRDESITVENDC, :CDPRODUTO, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGRVNC))mssql";

// The branch code under which PRSUBGRPROD holds the subgroups shared by every branch.
const char* const kFilialComum = "P";

std::string Sequencia(int numero) {
  return VyrUtil::Ajusta(std::to_string(numero), 3);
}

}  // namespace

void DeclaraLinhasVenda(const ComandosVenda& c, ado::TADOConnection& conexao,
                        const std::string& sufixo) {
  using ado::FloatParam;
  using ado::TextParam;
  const auto nome = [&](const char* membro) { return std::string(membro) + sufixo; };
  ado::DeclareQuery(c.adqParaVend, conexao, kSelParaVend, {TextParam("P_CDFILIAL")},
                    nome("adqParaVend").c_str());
  // The shift's opening is bound as a date-time; the parameter takes the value's type.
  ado::DeclareQuery(
      c.adqOperAber, conexao, kSelOperAber,
      {TextParam("P_CDFILIAL"), TextParam("P_CDCAIXA"), ado::UntypedParam("P_DTABERCAIX")},
      nome("adqOperAber").c_str());
  ado::DeclareQuery(c.adqPrSubGrProd, conexao, kSelPrSubGrProd,
                    ado::TextParams({"P_CDFILIAL", "P_CDGRUPPROD", "P_CDPRODUTO"}),
                    nome("adqPrSubGrProd").c_str());
  // The statement uses the product code twice; both placeholders are declared.
  ado::DeclareQuery(c.adqAliqImpFis, conexao, kSelAliqImpFis,
                    ado::TextParams({"P_CDFILIAL", "P_CDPRODUTO", "P_CDPRODUTO"}),
                    nome("adqAliqImpFis").c_str());
  ado::DeclareCommand(c.acmInsItemVenda, conexao, kInsItemVenda,
                      {TextParam("CDFILIAL"), TextParam("CDLOJA"), TextParam("CDCAIXA"),
                       TextParam("NRSEQVENDA"), TextParam("NRSEQUITVEND"), FloatParam("QTPRODVEND"),
                       FloatParam("VRUNITVEND"), TextParam("CDPRODUTO"), FloatParam("VRDESITVEND"),
                       FloatParam("VRACRITVEND"), TextParam("CDGRUPPROD"), TextParam("CDSUBGRPROD"),
                       TextParam("CDFISUBGRVND"), TextParam("CDFAMILISALD")},
                      nome("acmInsItemVenda").c_str());
  ado::DeclareCommand(
      c.acmInsItVendaImpos, conexao, kInsItVendaImpos,
      {TextParam("CDFILIAL"), TextParam("CDCAIXA"), TextParam("NRSEQVENDA"),
       TextParam("NRSEQUITVEND"), TextParam("NRSEQITIMPOS"), TextParam("CDIMPOSTO"),
       TextParam("CDIMPOSTOEX"), FloatParam("VRPEALPRODIT"), FloatParam("VRIMPOPRODIT")},
      nome("acmInsItVendaImpos").c_str());
  ado::DeclareCommand(
      c.acmInsItVendaCan, conexao, kInsItVendaCan,
      {TextParam("CDFILIAL"), TextParam("CDCAIXA"), TextParam("NRSEQVENDA"),
       TextParam("NRSEQITVENDC"), FloatParam("QTPRODVENDC"), FloatParam("VRUNITVENDC"),
       FloatParam("VRDESITVENDC"), TextParam("CDPRODUTO"), TextParam("CDGRUPPROD"),
       TextParam("CDSUBGRPROD"), TextParam("CDFISUBGRVNC")},
      nome("acmInsItVendaCan").c_str());
}

double ValorImpostoItem(double VRPRECCOMVEN, double QTPRODCOMVEN, double VRPEALIMPFIS) {
  const long double valor =
      static_cast<long double>(VRPRECCOMVEN) * QTPRODCOMVEN / 100 * VRPEALIMPFIS;
  return VyrUtil::Trunc2(static_cast<double>(valor));
}

GravadorVenda::GravadorVenda(const ComandosVenda& comandos, std::string CDCAIXA,
                             std::string NRSEQVENDA)
    : comandos_(comandos), CDCAIXA_(std::move(CDCAIXA)), NRSEQVENDA_(std::move(NRSEQVENDA)) {}

// The branch's sales parameters and the shift's opener are kept (fiscal/kept_settings.h): the
// same for every sale of the register until a support person changes them or the shift closes.
void GravadorVenda::LeGrupoPdv(const std::string& CDFILIAL) {
  static Guardadas<std::string> guardados;
  grupoPdv_ = guardados.Busca(CDFILIAL, [&] {
    return ado::OpenValue(comandos_.adqParaVend, {{"P_CDFILIAL", CDFILIAL}}, "CDGRPRODPDV");
  });
}

std::string GravadorVenda::OperadorDoTurno(const std::string& CDFILIAL, rtl::TDateTime DTABERCAIX) {
  static Guardadas<std::string> guardados;
  char abertura[40];
  std::snprintf(abertura, sizeof abertura, "%.9f", static_cast<double>(DTABERCAIX));
  return guardados.Busca(CDFILIAL + "|" + CDCAIXA_ + "|" + abertura, [&] {
    return ado::OpenValue(comandos_.adqOperAber,
                          {{"P_CDFILIAL", CDFILIAL},
                           {"P_CDCAIXA", CDCAIXA_},
                           {"P_DTABERCAIX", rtl::Variant::FromDateTime(DTABERCAIX)}},
                          "CDOPERABER");
  });
}

void GravadorVenda::GravaCabecalho(SituacaoVenda situacao, const CabecalhoVenda& c,
                                   const ado::Bindings& demais) {
  ado::Bindings valores = {{"CDFILIAL", c.CDFILIAL},
                           {"CDCAIXA", CDCAIXA_},
                           {"NRSEQVENDA", NRSEQVENDA_},
                           {"CDCLIENTE", c.CDCLIENTE},
                           {"CDEMPRESA", c.CDEMPRESA},
                           {"CDVENDEDOR", c.CDVENDEDOR},
                           {"DTVENDA", rtl::Variant::FromDateTime(rtl::Now())},
                           // Time zero: the scan's sale check finds today's sales by this date.
                           {"DTENTRVENDA", rtl::Variant::FromDateTime(rtl::Date())},
                           {"IDSITUVENDA", situacao == SituacaoVenda::Vendida ? "A" : "C"},
                           {"DTABERTUR", rtl::Variant::FromDateTime(c.DTABERTUR)},
                           {"DTFECHAVENDA", rtl::Variant::FromDateTime(rtl::Now())},
                           {"NRCUPOMFIS", c.NRCUPOMFIS},
                           {"CDOPERADOR", c.CDOPERADOR},
                           {"CDLOJA", c.CDLOJA},
                           {"IDTIPOVENDA", "D"},
                           {"IDTPFORPGVEN", "V"},
                           {"IDORIGEMVENDA", c.IDORIGEMVENDA}};
  ado::AppendBindings(valores, demais);
  ado::Execute(comandos_.acmInsVenda, valores);
}

ado::Bindings GravadorVenda::Grupo(const std::string& colunaFilialSubgrupo,
                                   const std::string& CDFILIAL, const std::string& CDPRODUTO) {
  // Without a row every target is NULL: keeping the values bound for an earlier line would
  // give this line another product's group.
  ado::Bindings grupo = {{"CDGRUPPROD", rtl::Variant::Null()},
                         {"CDSUBGRPROD", rtl::Variant::Null()},
                         {colunaFilialSubgrupo, rtl::Variant::Null()}};
  if (VyrUtil::EmptyString(grupoPdv_)) return grupo;

  const Subgrupo achado = LeSubgrupo(CDFILIAL, CDPRODUTO);
  if (!achado.existe) return grupo;
  grupo[0].value = grupoPdv_;
  grupo[1].value = achado.CDSUBGRPROD;
  grupo[2].value = achado.CDFILISUBGR;
  return grupo;
}

// Kept by branch, group and product (fiscal/kept_settings.h), as the branch's sales parameters.
GravadorVenda::Subgrupo GravadorVenda::LeSubgrupo(const std::string& CDFILIAL,
                                                  const std::string& CDPRODUTO) {
  static Guardadas<Subgrupo> guardados;
  return guardados.Busca(CDFILIAL + "|" + grupoPdv_ + "|" + CDPRODUTO, [&] {
    ado::TADOQuery& subgrupo = comandos_.adqPrSubGrProd;
    ado::OpenQuery(
        subgrupo,
        {{"P_CDFILIAL", CDFILIAL}, {"P_CDGRUPPROD", grupoPdv_}, {"P_CDPRODUTO", CDPRODUTO}});
    // Group and product stay bound for the shared branch's look-up.
    if (subgrupo.IsEmpty()) ado::OpenQuery(subgrupo, {{"P_CDFILIAL", kFilialComum}});
    Subgrupo lido;
    lido.existe = !subgrupo.IsEmpty();
    lido.CDSUBGRPROD = ado::FirstValue(subgrupo, "CDSUBGRPROD");
    lido.CDFILISUBGR = ado::FirstValue(subgrupo, "CDFILISUBGR");
    return lido;
  });
}

void GravadorVenda::GravaCancelado(const ItemCancelado& item) {
  ado::Bindings valores = {
      {"CDFILIAL", item.CDFILIAL},         {"CDCAIXA", CDCAIXA_},
      {"NRSEQVENDA", NRSEQVENDA_},         {"NRSEQITVENDC", Sequencia(cancelados_ + 1)},
      {"QTPRODVENDC", item.QTPRODCOMVEN},  {"VRUNITVENDC", item.VRPRECCOMVEN},
      {"VRDESITVENDC", item.VRDESCCOMVEN}, {"CDPRODUTO", item.CDPRODUTO}};
  ado::AppendBindings(valores, Grupo("CDFISUBGRVNC", item.CDFILIAL, item.CDPRODUTO));
  ado::Execute(comandos_.acmInsItVendaCan, valores);
  ++cancelados_;
}

void GravadorVenda::GravaItem(const ItemVenda& item) {
  const std::string sequencia = Sequencia(itens_ + 1);
  ado::Bindings valores = {{"CDFILIAL", item.CDFILIAL},
                           {"CDLOJA", item.CDLOJA},
                           {"CDCAIXA", CDCAIXA_},
                           {"NRSEQVENDA", NRSEQVENDA_},
                           {"NRSEQUITVEND", sequencia},
                           {"QTPRODVEND", item.QTPRODCOMVEN},
                           {"VRUNITVEND", item.VRPRECCOMVEN},
                           {"CDPRODUTO", item.CDPRODUTO},
                           {"VRDESITVEND", item.VRDESITVEND},
                           {"VRACRITVEND", item.VRACRITVEND},
                           {"CDFAMILISALD", item.CDFAMILISALD}};
  ado::AppendBindings(valores, Grupo("CDFISUBGRVND", item.CDFILIAL, item.CDPRODUTO));
  ado::Execute(comandos_.acmInsItemVenda, valores);
  GravaImposto(item, sequencia);
  ++itens_;
}

namespace {

// The first rate of a product at a branch; a product without one reads as rate 0 and empty codes.
struct AliquotaProduto {
  double aliquota = 0;
  std::string CDIMPOSTO, CDINTIMPOSTO;
};

}  // namespace

// Kept by branch and product (fiscal/kept_settings.h), as the product's other fiscal columns.
void GravadorVenda::GravaImposto(const ItemVenda& item, const std::string& sequencia) {
  static Guardadas<AliquotaProduto> guardadas;
  const AliquotaProduto a = guardadas.Busca(item.CDFILIAL + "|" + item.CDPRODUTO, [&] {
    ado::TADOQuery& aliquotas = comandos_.adqAliqImpFis;
    ado::OpenQuery(aliquotas, {{"P_CDFILIAL", item.CDFILIAL}, {"P_CDPRODUTO", item.CDPRODUTO}});
    AliquotaProduto lida;
    lida.aliquota = aliquotas.IsEmpty() ? 0 : aliquotas.FieldByName("VRPEALIMPFIS").AsFloat();
    lida.CDIMPOSTO = ado::FirstValue(aliquotas, "CDIMPOSTO");
    lida.CDINTIMPOSTO = ado::FirstValue(aliquotas, "CDINTIMPOSTO");
    return lida;
  });
  ado::Execute(
      comandos_.acmInsItVendaImpos,
      {{"CDFILIAL", item.CDFILIAL},
       {"CDCAIXA", CDCAIXA_},
       {"NRSEQVENDA", NRSEQVENDA_},
       {"NRSEQUITVEND", sequencia},
       {"NRSEQITIMPOS", "001"},
       {"CDIMPOSTO", a.CDIMPOSTO},
       {"CDIMPOSTOEX", a.CDINTIMPOSTO},
       {"VRPEALPRODIT", a.aliquota},
       {"VRIMPOPRODIT", ValorImpostoItem(item.VRPRECCOMVEN, item.QTPRODCOMVEN, a.aliquota)}});
}

}  // namespace VyrFiscal
