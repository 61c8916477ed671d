// The rows of a recorded sale, written inside the caller's transaction in this order: the header
// (VENDA), the bill's cancelled items (ITVENDACAN), each item (ITEMVENDA) followed by its tax
// (ITVENDAIMPOS), the cash movements (MOVCAIXA) and the consumer-account debits. The sale's own
// rows go through the writer the closing module's cancelled sales use, so both follow one set of
// numbering, group and tax rules; the movements and debits are this package's alone.

#include "fiscal/sale/closed_bill.h"
#include "fiscal/sale/pending_document.h"
#include "fiscal/sale/sale_rows_writer.h"
#include "fiscal/sale/sale_statements.h"
#include "receivables/consumer_account.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Venda {
namespace {

// The delivery address's number and town name, which the closing's values do not carry, are
// taken from the order's bill and kept with the sale, whose documents and receipts outlive the
// bill. A sale whose register issues a document is recorded with it pending
// (sale/pending_document.h).
const char* const kInsVenda =
    R"mssql(INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCLIENTE, CDEMPRESA, CDVENDEDOR, DTVENDA, DTENTRVENDA, IDSITUVENDA, VRDESCVENDA, CDFILIALTUR, CDCAIXATUR, DTABERTUR, DTFECHAVENDA, NRCUPOMFIS, CDOPERADOR, CDLOJA, IDTIPOVENDA, IDTPFORPGVEN, IDVENDEBCONS, NRMESA, CDCONSUMIDOR, NRCOMANDAVND, DSCOMANDAVND, CDSERVFILI, NMCONSVEND, NRINSCRCONS, NRVENDAEXT, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, DSENDECONSVENDA, DSCOMPLENDCOVEN, NRCEPCONSVENDA, NRSEQVENDAMSDE, IDORIGEMVENDA, NRVENDAREST, CDSENHAPED, DSBAIRRO, DSREFENDCONSVEN, VRTOTTRIBVEND, IDTIPOEMISSAO, NRENDECONSVENDA, NMMUNICONSVENDA, IDDOCPENDVENDA, DTDOCPENDVENDA) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :CDCLIENTE, :CDEMPRESA, :CDVENDEDOR, :DTVENDA, :DTENTRVENDA, :IDSITUVENDA, :VRDESCVENDA, :CDFILIAL, :CDCAIXA, :DTABERTUR, :DTFECHAVENDA, :NRCUPOMFIS, :CDOPERADOR, :CDLOJA, :IDTIPOVENDA, :IDTPFORPGVEN, :IDVENDEBCONS, :NRMESA, :CDCONSUMIDOR, :NRCOMANDAVND, :DSCOMANDAVND, :CDSERVFILI, :NMCONSVEND, :NRINSCRCONS, :NRVENDAEXT, :CDMUNICIPIO, :CDPAIS, :SGESTADO, :CDBAIRRO, :DSENDECONSVENDA, :DSCOMPLENDCOVEN, :NRCEPCONSVENDA, :NRSEQVENDA, :IDORIGEMVENDA, :NRVENDAREST, :CDSENHAPED, :DSBAIRRO, :DSREFENDCONSVEN, :VRTOTTRIBVEND, :IDTIPOEMISSAO, (SELECT NRENDECONSCOM FROM COMANDAVEN WHERE CDFILIAL = :CDFILIAL AND NRVENDAREST = :NRVENDAREST AND NRCOMANDA = :NRCOMANDAVND), (SELECT NMMUNICONSCOM FROM COMANDAVEN WHERE CDFILIAL = :CDFILIAL AND NRVENDAREST = :NRVENDAREST AND NRCOMANDA = :NRCOMANDAVND), :IDDOCPENDVENDA, :DTDOCPENDVENDA))mssql";

const char* const kInsMovCaixa =
    R"mssql(INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUMOVI, IDTIPOMOVIVE, DSMOVIVEND, CDTIPORECE, DTHRINCMOV, CDTIPOTROCO, VRMOVIVEND, NMTIPORECE, NRORDTROCO, CDCLIENTE, CDCONSUMIDOR, DTMOVIMCAIXA, DSIMPFISCAL, IDTIPORECE, CDFPIMPFIS, CDBANCARTCR, CDNSUHOSTTEF) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQUMOVI, :IDTIPOMOVIVE, :DSMOVIVEND, :CDTIPORECE, :DTHRINCMOV, :CDTIPOTROCO, :VRMOVIVEND, :NMTIPORECE, :NRORDTROCO, :CDCLIENTE, :CDCONSUMIDOR, :DTMOVIMCAIXA, :DSIMPFISCAL, :IDTIPORECE, :CDFPIMPFIS, :CDBANCARTCR, :CDNSUHOSTTEF))mssql";

const char* const kPagamentoConsumidor = "9";

// The text columns of a cash movement, copied as the closing built them.
const char* const kTextosMovimento[] = {"IDTIPOMOVIVE", "DSMOVIVEND", "CDTIPORECE", "CDTIPOTROCO",
                                        "NMTIPORECE",   "NRORDTROCO", "CDCLIENTE",  "CDCONSUMIDOR",
                                        "DSIMPFISCAL",  "IDTIPORECE", "CDFPIMPFIS", "CDBANCARTCR",
                                        "CDNSUHOSTTEF"};

bool PagaNaConta(const rtl::DataPacket& movimentos) {
  for (size_t row = 0; row < movimentos.RowCount(); ++row) {
    if (LinhaPacote(movimentos, row).Texto("IDTIPORECE") == kPagamentoConsumidor) return true;
  }
  return false;
}

// A line's branch; a line that carries none belongs to the sale's.
std::string FilialDaLinha(const LinhaPacote& linha, const Fechamento& f) {
  return linha.Valor("CDFILIAL").IsEmptyOrNull() ? f.CDFILIAL : linha.Texto("CDFILIAL");
}

class Gravador {
 public:
  Gravador(ado::TADOConnection& conexao, const Fechamento& f, std::string NRSEQVENDA)
      : conexao_(conexao),
        f_(f),
        numero_(std::move(NRSEQVENDA)),
        comandos_{acmInsVenda, acmInsItemVenda, acmInsItVendaImpos, acmInsItVendaCan,
                  adqParaVend, adqOperAber,     adqPrSubGrProd,     adqAliqImpFis},
        linhas_(comandos_, f.CDCAIXA, numero_) {
    ado::DeclareCommand(acmInsVenda, conexao, kInsVenda, ParametrosCabecalho(),
                        "acmInsVendaFiscal");
    DeclaraLinhasVenda(comandos_, conexao, "Fiscal");
    ado::DeclareCommand(acmInsMovCaixa, conexao, kInsMovCaixa, ParametrosMovimento(),
                        "acmInsMovCaixaFiscal");
  }

  void Grava() {
    linhas_.LeGrupoPdv(f_.CDFILIAL);
    GravaCabecalho();
    for (size_t row = 0; row < f_.cancelados.RowCount(); ++row) {
      const LinhaPacote item(f_.cancelados, row);
      linhas_.GravaCancelado({FilialDaLinha(item, f_), item.Texto("CDPRODUTO"),
                              item.Numero("QTPRODCOMVEN"), item.Numero("VRPRECCOMVEN"),
                              item.Numero("VRDESCCOMVEN")});
    }
    for (size_t row = 0; row < f_.vendas.RowCount(); ++row) {
      const LinhaPacote item(f_.vendas, row);
      linhas_.GravaItem({FilialDaLinha(item, f_), item.Valor("CDLOJA"), item.Texto("CDPRODUTO"),
                         item.Numero("QTPRODCOMVEN"), item.Numero("VRPRECCOMVEN"),
                         item.Numero("VRDESITVEND"), item.Numero("VRACRITVEND"),
                         item.Texto("CDFAMILISALD")});
    }
    for (size_t row = 0; row < f_.movimentos.RowCount(); ++row) {
      GravaMovimento(LinhaPacote(f_.movimentos, row), VyrUtil::Ajusta(std::to_string(row + 1), 3));
    }
  }

 private:
  static std::vector<ado::ParamDecl> ParametrosCabecalho() {
    std::vector<ado::ParamDecl> params =
        ado::TextParams({"CDFILIAL",        "CDCAIXA",         "NRSEQVENDA",      "CDCLIENTE",
                         "CDEMPRESA",       "CDVENDEDOR",      "IDSITUVENDA",     "NRCUPOMFIS",
                         "CDOPERADOR",      "CDLOJA",          "IDTIPOVENDA",     "IDTPFORPGVEN",
                         "IDVENDEBCONS",    "NRMESA",          "CDCONSUMIDOR",    "NRCOMANDAVND",
                         "DSCOMANDAVND",    "CDSERVFILI",      "NMCONSVEND",      "NRINSCRCONS",
                         "NRVENDAEXT",      "CDMUNICIPIO",     "CDPAIS",          "SGESTADO",
                         "CDBAIRRO",        "DSENDECONSVENDA", "DSCOMPLENDCOVEN", "NRCEPCONSVENDA",
                         "IDORIGEMVENDA",   "NRVENDAREST",     "CDSENHAPED",      "DSBAIRRO",
                         "DSREFENDCONSVEN", "IDTIPOEMISSAO",   "IDDOCPENDVENDA"});
    for (const char* name :
         {"DTVENDA", "DTENTRVENDA", "DTABERTUR", "DTFECHAVENDA", "DTDOCPENDVENDA"}) {
      params.push_back(ado::DateTimeParam(name));
    }
    params.push_back(ado::FloatParam("VRDESCVENDA"));
    params.push_back(ado::FloatParam("VRTOTTRIBVEND"));
    return params;
  }

  static std::vector<ado::ParamDecl> ParametrosMovimento() {
    std::vector<ado::ParamDecl> params = {
        ado::TextParam("CDFILIAL"),       ado::TextParam("CDCAIXA"),
        ado::TextParam("NRSEQVENDA"),     ado::TextParam("NRSEQUMOVI"),
        ado::DateTimeParam("DTHRINCMOV"), ado::DateTimeParam("DTMOVIMCAIXA"),
        ado::FloatParam("VRMOVIVEND")};
    for (const char* name : kTextosMovimento) params.push_back(ado::TextParam(name));
    return params;
  }

  void GravaCabecalho() {
    const LinhaPacote primeira(f_.vendas, 0);
    std::string operador = linhas_.OperadorDoTurno(f_.CDFILIAL, f_.dtAberturaCaixa);
    if (operador.empty()) operador = primeira.Texto("CDOPERADOR");
    CabecalhoVenda cabecalho;
    cabecalho.CDFILIAL = f_.CDFILIAL;
    cabecalho.CDCLIENTE = primeira.Valor("CDCLIENTE");
    cabecalho.CDEMPRESA = f_.CDEMPRESA;
    cabecalho.CDVENDEDOR = primeira.Valor("CDVENDEDOR");
    cabecalho.DTABERTUR = f_.dtAberturaCaixa;
    cabecalho.CDOPERADOR = operador;
    cabecalho.CDLOJA = f_.CDLOJA;
    cabecalho.IDORIGEMVENDA = f_.idOrigemVenda;
    const bool documento = f_.idTipoEmissao == "N" || f_.idTipoEmissao == "S";
    const rtl::Variant nulo = rtl::Variant::Null();
    linhas_.GravaCabecalho(
        SituacaoVenda::Vendida, cabecalho,
        {{"VRDESCVENDA", 0.0},
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
         {"NRVENDAREST", f_.NRVENDAREST},
         {"CDSENHAPED", primeira.Valor("CDSENHAPED")},
         {"DSBAIRRO", f_.DSBAIRRO},
         {"DSREFENDCONSVEN", f_.DSREFENDCONSCOM},
         {"VRTOTTRIBVEND", f_.vrTotalTrib},
         {"IDTIPOEMISSAO", f_.idTipoEmissao},
         {"IDDOCPENDVENDA", documento ? rtl::Variant(kDocNaoEmitido) : nulo},
         {"DTDOCPENDVENDA", documento ? rtl::Variant::FromDateTime(rtl::Now()) : nulo}});
  }

  void GravaMovimento(const LinhaPacote& movimento, const std::string& sequencia) {
    ado::Bindings valores = {{"CDFILIAL", f_.CDFILIAL},
                             {"CDCAIXA", f_.CDCAIXA},
                             {"NRSEQVENDA", numero_},
                             {"NRSEQUMOVI", sequencia},
                             {"DTHRINCMOV", movimento.Valor("DTHRINCMOV")},
                             {"DTMOVIMCAIXA", movimento.Valor("DTMOVIMCAIXA")},
                             {"VRMOVIVEND", movimento.Numero("VRMOVIVEND")}};
    for (const char* name : kTextosMovimento) valores.push_back({name, movimento.Valor(name)});
    ado::Execute(acmInsMovCaixa, valores);
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

  ado::TADOCommand acmInsVenda, acmInsItemVenda, acmInsItVendaImpos, acmInsItVendaCan,
      acmInsMovCaixa;
  ado::TADOQuery adqParaVend, adqOperAber, adqPrSubGrProd, adqAliqImpFis;
  const ComandosVenda comandos_;
  GravadorVenda linhas_;
};

}  // namespace

void GravaVenda(ado::TADOConnection& conexao, const Fechamento& fechamento,
                const std::string& NRSEQVENDA) {
  Gravador(conexao, fechamento, NRSEQVENDA).Grava();
}

}  // namespace VyrFiscal::Venda
