#include "hostagent/demo_orders.h"

#include <cstdio>
#include <filesystem>

#include "db/statement_kit.h"
#include "fiscal/nfce/note_store.h"
#include "hostagent/module_loader.h"
#include "rtl/datetime.h"
#include "vyrutil/crypto.h"

namespace hostagent {

namespace {

const char* const kSqlUpdFilial =
    R"mssql(UPDATE FILIAL SET NRINSJURFILI = '11222333000181', NMRAZSOCFILI = 'RESTAURANTE DEMONSTRACAO LTDA', NMFANTFILI = 'RESTAURANTE DEMONSTRACAO', NRINSESTFILI = '111222333444', IDREGTRIBFILI = '3', DSENDEFILI = 'RUA DAS FLORES', NRENDEFILI = '100', NMBAIRFILI = 'CENTRO', CDMUNIBGE = '3550308', NMMUNICIPIO = 'SAO PAULO', SGESTADO = 'SP', CDUFIBGE = '35', NRCEPFILI = '01001000', NRTELEFILI = '1133334444' WHERE CDFILIAL = :P_CDFILIAL)mssql";
const char* const kSqlInsProduto =
    R"mssql(INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, NRNCM, CDCFOP, SGUNIDADE, IDORIGPROD, CDSITTRIBICMS, CDALIQIMPFIS, CDCEST) VALUES (:P_CDPRODUTO, :P_NMPRODUTO, :P_NRNCM, :P_CDCFOP, 'UN', '0', :P_CDSITTRIBICMS, '01', :P_CDCEST))mssql";
const char* const kSqlInsImposto =
    R"mssql(INSERT INTO IMPOSTO (CDIMPOSTO, NMIMPOSTO, IDTPIMPOSFIS, CDINTIMPOSTO, IDTRATIMPO) VALUES ('ICMS', 'ICMS', 'I', 'ICMS', 'T'))mssql";
const char* const kSqlInsAliqImpFis =
    R"mssql(INSERT INTO ALIQIMPFIS (CDFILIAL, CDPRODUTO, CDIMPOSTO, VRPEALIMPFIS) VALUES (:P_CDFILIAL, :P_CDPRODUTO, 'ICMS', :P_VRPEALIMPFIS))mssql";
const char* const kSqlInsCaixaFiscalNfce =
    R"mssql(INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, CDCSCNFCE, DSARQCERTIF, DSSENHACERTIF, IDMODOAUTORIZ) VALUES (:P_CDFILIAL, :P_CDCAIXA, '1', '000001', 'DEMO0000000000000000000000000000CSC1', :P_DSARQCERTIF, :P_DSSENHACERTIF, :P_IDMODOAUTORIZ))mssql";
const char* const kSqlInsCaixaFiscalSat =
    R"mssql(INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, DSLIBSAT) VALUES (:P_CDFILIAL, :P_CDCAIXA, '1', :P_DSLIBSAT))mssql";
// The marketplace of the demo's marketplace order, so that its note names the intermediary.
const char* const kSqlInsIntermedVenda =
    R"mssql(INSERT INTO INTERMEDVENDA (CDFILIAL, IDORIGEMVENDA, NRCNPJINTERMED, IDCADINTTRAN) VALUES (:P_CDFILIAL, 'IFOOD', '14380200000121', 'IFOOD'))mssql";
const char* const kSqlInsCliente =
    R"mssql(INSERT INTO CLIENTE (CDCLIENTE, NMRAZSOCCLIE) VALUES ('DEMO', 'CLIENTES DELIVERY'))mssql";
const char* const kSqlInsConsumidor =
    R"mssql(INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDIMPCPFCUPOM, CDFAMILISALD, VRLIMCREDCONS) VALUES ('DEMO', :P_CDCONSUMIDOR, :P_NMCONSUMIDOR, 'N', :P_CDFAMILISALD, :P_VRLIMCREDCONS))mssql";
const char* const kSqlInsVendaRest =
    R"mssql(INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA, DTHRABERMESA, CDOPERADOR, CDCLIENTE, CDCONSUMIDOR) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_CDLOJA, :P_DTHRABERMESA, 'DEMO', 'DEMO', :P_CDCONSUMIDOR))mssql";
const char* const kSqlInsComandaVen =
    R"mssql(INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, IDSTCOMANDA, NRCOMANDAEXT, IDIMPCUPEXP, IDORGCMDVENDA, IDRETBALLOJA, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, DSBAIRRO, DSENDECONSCOMAN, NRCEPCONSCOMAND) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_CDLOJA, :P_DSCOMANDA, '1', :P_NRCOMANDAEXT, '2', :P_IDORGCMDVENDA, 'S', '3550308', '1058', 'SP', 'B01', 'JARDINS', 'AV PAULISTA 1000', '01310100'))mssql";
const char* const kSqlInsItComandaVen =
    R"mssql(INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, QTPRODCOMVEN, VRPRECCOMVEN, VRDESCCOMVEN, VRACRCOMVEN, IDSTPROCOMVEN, NRPEDIDOVYR) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_NRPRODCOMVEN, :P_CDPRODUTO, :P_QTPRODCOMVEN, :P_VRPRECCOMVEN, 0, 0, 'A', :P_NRCOMANDAEXT))mssql";
const char* const kSqlInsMovCaixaDlv =
    R"mssql(INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, CDCLIENTE, CDCONSUMIDOR, CDTIPORECE, VRMOVIVENDDLV) VALUES (:P_CDFILIAL, :P_NRVENDAREST, '1', 'E', 'DEMO', :P_CDCONSUMIDOR, :P_CDTIPORECE, :P_VRMOVIVENDDLV))mssql";

struct DemoProduct {
  const char* code;
  const char* name;
  const char* ncm;  // "" is stored as NULL: the fiscal closing refuses such a product
  const char* cfop;
  const char* cst;
  const char* cest;  // "" for none
  double price;
  double icms;
};

const DemoProduct kPizza{"1001", "PIZZA MUSSARELA", "19059090", "5102", "00", "", 45.90, 18};
const DemoProduct kSoda{"1002", "REFRIGERANTE LATA", "22021000", "5405", "60", "0300700", 6.50, 0};
const DemoProduct kNoNcm{"1003", "SOBREMESA SEM NCM", "", "5102", "00", "", 12.00, 18};

// The consumer every order belongs to, and the one whose orders go on the consumer's account.
const char* const kConsumidor = "0001";
const char* const kConsumidorConta = "0002";
const char* const kDinheiro = "001";
const char* const kContaConsumidor = "009";
const char* const kTipoDesconhecido = "077";

std::string Numbered(const char* format, int n) {
  char text[32];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

std::string Amount(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

DemoOrderCase DemoCaseOf(int order) {
  switch (order) {
    case 3:
      return DemoOrderCase::kTotalsDiffer;
    case 6:
      return DemoOrderCase::kUnknownPayment;
    case 9:
      return DemoOrderCase::kConsumerAccount;
    case 12:
      return DemoOrderCase::kMarketplace;
    case 15:
      return DemoOrderCase::kRefusedProduct;
    default:
      return DemoOrderCase::kPlain;
  }
}

void InsertDemoFiscalData(ado::TADOConnection& connection, const DemoStoreOptions& o) {
  const ado::Binding filial{"P_CDFILIAL", o.filial};
  ado::RunCommand(connection, nullptr, kSqlUpdFilial, {filial});
  ado::RunCommand(connection, nullptr, kSqlInsImposto, {});
  for (const DemoProduct& p : {kPizza, kSoda, kNoNcm}) {
    ado::RunCommand(connection, nullptr, kSqlInsProduto,
                    {{"P_CDPRODUTO", p.code},
                     {"P_NMPRODUTO", p.name},
                     {"P_NRNCM", ado::TextOrNull(p.ncm)},
                     {"P_CDCFOP", p.cfop},
                     {"P_CDSITTRIBICMS", p.cst},
                     {"P_CDCEST", ado::TextOrNull(p.cest)}});
    ado::RunCommand(connection, nullptr, kSqlInsAliqImpFis,
                    {filial, {"P_CDPRODUTO", p.code}, {"P_VRPEALIMPFIS", p.icms}});
  }
  const ado::Binding caixa{"P_CDCAIXA", o.caixa};
  if (o.emissao == "SAT") {
    ado::RunCommand(connection, nullptr, kSqlInsCaixaFiscalSat,
                    {filial, caixa, {"P_DSLIBSAT", o.biblioteca_sat}});
  } else {
    const std::string folder = o.dir + "/Dados/Certificado";
    std::filesystem::create_directories(folder);
    WriteDemoCertificate(folder + "/demo.pfx", o.senha_certificado, "11222333000181");
    ado::RunCommand(connection, nullptr, kSqlInsCaixaFiscalNfce,
                    {filial,
                     caixa,
                     {"P_DSARQCERTIF", "Dados/Certificado/demo.pfx"},
                     {"P_DSSENHACERTIF", VyrUtil::Cripto(o.senha_certificado,
                                                         VyrFiscal::Nfce::kChaveSenhaCertificado)},
                     {"P_IDMODOAUTORIZ", VyrFiscal::Nfce::kModoAutorizSimulado}});
  }
  ado::RunCommand(connection, nullptr, kSqlInsIntermedVenda, {filial});
  ado::RunCommand(connection, nullptr, kSqlInsCliente, {});
  ado::RunCommand(connection, nullptr, kSqlInsConsumidor,
                  {{"P_CDCONSUMIDOR", kConsumidor},
                   {"P_NMCONSUMIDOR", "MARIA DA SILVA"},
                   {"P_CDFAMILISALD", rtl::Variant::Null()},
                   {"P_VRLIMCREDCONS", rtl::Variant::Null()}});
  ado::RunCommand(connection, nullptr, kSqlInsConsumidor,
                  {{"P_CDCONSUMIDOR", kConsumidorConta},
                   {"P_NMCONSUMIDOR", "JOAO CONTA CORRENTE"},
                   {"P_CDFAMILISALD", "001"},
                   {"P_VRLIMCREDCONS", 500.0}});
}

// Order n: one pizza and 1 to 3 cans of soda, paid in cash, unless DemoCaseOf(n) says otherwise
// (and the store is not made of ordinary orders only).
void InsertDemoOrders(ado::TADOConnection& connection, const DemoStoreOptions& o) {
  for (int n = 1; n <= o.pedidos; ++n) {
    const DemoOrderCase kind = o.simples ? DemoOrderCase::kPlain : DemoCaseOf(n);
    const std::string venda = Numbered("%010d", n);
    const std::string comanda = Numbered("%04d", n);
    const std::string externo =
        Numbered(kind == DemoOrderCase::kMarketplace ? "IFD%03d" : "DEMO%02d", n);
    const std::string consumidor =
        kind == DemoOrderCase::kConsumerAccount ? kConsumidorConta : kConsumidor;
    const ado::Binding filial{"P_CDFILIAL", o.filial}, rest{"P_NRVENDAREST", venda};
    // The opening time on this host's clock, as the register's other times (SQLite's
    // CURRENT_TIMESTAMP would be UTC).
    ado::RunCommand(connection, nullptr, kSqlInsVendaRest,
                    {filial,
                     rest,
                     {"P_CDLOJA", o.loja},
                     {"P_DTHRABERMESA", rtl::Variant::FromDateTime(rtl::Now())},
                     {"P_CDCONSUMIDOR", consumidor}});
    ado::RunCommand(
        connection, nullptr, kSqlInsComandaVen,
        {filial,
         rest,
         {"P_NRCOMANDA", comanda},
         {"P_CDLOJA", o.loja},
         {"P_DSCOMANDA", "DLV_" + comanda},
         {"P_NRCOMANDAEXT", externo},
         {"P_IDORGCMDVENDA", ado::TextOrNull(kind == DemoOrderCase::kMarketplace ? "IFOOD" : "")}});
    struct Line {
      const DemoProduct& product;
      int quantity;
    };
    std::vector<Line> lines = {{kPizza, 1}, {kSoda, 1 + n % 3}};
    if (kind == DemoOrderCase::kRefusedProduct) lines.push_back({kNoNcm, 1});
    double total = 0;
    int item = 0;
    for (const Line& line : lines) {
      total += line.quantity * line.product.price;
      ado::RunCommand(connection, nullptr, kSqlInsItComandaVen,
                      {filial,
                       rest,
                       {"P_NRCOMANDA", comanda},
                       {"P_NRPRODCOMVEN", Numbered("%03d", ++item)},
                       {"P_CDPRODUTO", line.product.code},
                       {"P_QTPRODCOMVEN", std::to_string(line.quantity)},
                       {"P_VRPRECCOMVEN", Amount(line.product.price)},
                       {"P_NRCOMANDAEXT", externo}});
    }
    const char* tipo = kind == DemoOrderCase::kConsumerAccount  ? kContaConsumidor
                       : kind == DemoOrderCase::kUnknownPayment ? kTipoDesconhecido
                                                                : kDinheiro;
    if (kind == DemoOrderCase::kTotalsDiffer) total += 5;
    ado::RunCommand(connection, nullptr, kSqlInsMovCaixaDlv,
                    {filial,
                     rest,
                     {"P_CDCONSUMIDOR", consumidor},
                     {"P_CDTIPORECE", tipo},
                     {"P_VRMOVIVENDDLV", Amount(total)}});
  }
}

}  // namespace hostagent
