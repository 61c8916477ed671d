#include "hostagent/demo_orders.h"

#include <cstdio>
#include <fstream>

#include "db/statement_kit.h"
#include "fiscal/taxes/ibpt_import.h"

namespace hostagent {

namespace {

const char* const kSqlUpdFilial =
    R"mssql(UPDATE FILIAL SET NRINSJURFILI = '11222333000181', NMRAZSOCFILI = 'RESTAURANTE DEMONSTRACAO LTDA', NMFANTFILI = 'RESTAURANTE DEMONSTRACAO', NRINSESTFILI = '111222333444', IDREGTRIBFILI = '3', DSENDEFILI = 'RUA DAS FLORES', NRENDEFILI = '100', NMBAIRFILI = 'CENTRO', CDMUNIBGE = '3550308', NMMUNICIPIO = 'SAO PAULO', SGESTADO = 'SP', CDUFIBGE = '35', NRCEPFILI = '01001000', NRTELEFILI = '1133334444' WHERE CDFILIAL = :P_CDFILIAL)mssql";
const char* const kSqlInsProduto =
    R"mssql(INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, NRNCM, CDCFOP, SGUNIDADE, IDORIGPROD, CDSITTRIBICMS, CDALIQIMPFIS, CDCEST) VALUES (:P_CDPRODUTO, :P_NMPRODUTO, :P_NRNCM, :P_CDCFOP, 'UN', '0', :P_CDSITTRIBICMS, '01', :P_CDCEST))mssql";
const char* const kSqlInsCaixaFiscal =
    R"mssql(INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDMODOAUTORIZ, DSLIBSAT) VALUES (:P_CDFILIAL, :P_CDCAIXA, '1', 'simulado', 'libVyrSatEmulador.so'))mssql";
const char* const kSqlInsCliente =
    R"mssql(INSERT INTO CLIENTE (CDCLIENTE, NMRAZSOCCLIE) VALUES ('DEMO', 'CLIENTES DELIVERY'))mssql";
const char* const kSqlInsConsumidor =
    R"mssql(INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDIMPCPFCUPOM) VALUES ('DEMO', '0001', 'MARIA DA SILVA', 'N'))mssql";
const char* const kSqlInsVendaRest =
    R"mssql(INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA, DTHRABERMESA, CDOPERADOR, CDCLIENTE, CDCONSUMIDOR) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_CDLOJA, CURRENT_TIMESTAMP, 'DEMO', 'DEMO', '0001'))mssql";
const char* const kSqlInsComandaVen =
    R"mssql(INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, IDSTCOMANDA, NRCOMANDAEXT, IDIMPCUPEXP, IDRETBALLOJA, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, DSBAIRRO, DSENDECONSCOMAN, NRCEPCONSCOMAND) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_CDLOJA, :P_DSCOMANDA, '1', :P_NRCOMANDAEXT, '2', 'S', '3550308', '1058', 'SP', 'B01', 'JARDINS', 'AV PAULISTA 1000', '01310100'))mssql";
const char* const kSqlInsItComandaVen =
    R"mssql(INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, QTPRODCOMVEN, VRPRECCOMVEN, VRDESCCOMVEN, VRACRCOMVEN, IDSTPROCOMVEN, NRPEDIDOVYR) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_NRPRODCOMVEN, :P_CDPRODUTO, :P_QTPRODCOMVEN, :P_VRPRECCOMVEN, 0, 0, 'A', :P_NRCOMANDAEXT))mssql";
const char* const kSqlInsMovCaixaDlv =
    R"mssql(INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, CDCLIENTE, CDCONSUMIDOR, CDTIPORECE, VRMOVIVENDDLV) VALUES (:P_CDFILIAL, :P_NRVENDAREST, '1', 'E', 'DEMO', '0001', '001', :P_VRMOVIVENDDLV))mssql";

struct DemoProduct {
  const char* code;
  const char* name;
  const char* ncm;
  const char* cfop;
  const char* cst;
  const char* cest;  // "" for none
  double price;
};

const DemoProduct kProducts[] = {
    {"1001", "PIZZA MUSSARELA", "19059090", "5102", "00", "", 45.90},
    {"1002", "REFRIGERANTE LATA", "22021000", "5405", "60", "0300700", 6.50},
};

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

void InsertDemoFiscalData(ado::TADOConnection& connection, const DemoStoreOptions& o) {
  ado::RunCommand(connection, nullptr, kSqlUpdFilial, {{"P_CDFILIAL", o.filial}});
  for (const DemoProduct& p : kProducts) {
    ado::RunCommand(connection, nullptr, kSqlInsProduto,
                    {{"P_CDPRODUTO", p.code},
                     {"P_NMPRODUTO", p.name},
                     {"P_NRNCM", p.ncm},
                     {"P_CDCFOP", p.cfop},
                     {"P_CDSITTRIBICMS", p.cst},
                     {"P_CDCEST", ado::TextOrNull(p.cest)}});
  }
  const std::string ibpt = o.dir + "/Dados/TabelaIBPTaxSP26.1.DEMO.csv";
  std::ofstream(ibpt, std::ios::binary | std::ios::trunc) << DemoIbptCsv();
  VyrFiscal::ImportaTabelaIbpt(connection, ibpt, "SP");
  ado::RunCommand(connection, nullptr, kSqlInsCaixaFiscal,
                  {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}});
  ado::RunCommand(connection, nullptr, kSqlInsCliente, {});
  ado::RunCommand(connection, nullptr, kSqlInsConsumidor, {});
}

// Order n: one pizza and n cans of soda, paid in cash.
void InsertDemoOrders(ado::TADOConnection& connection, const DemoStoreOptions& o) {
  for (int n = 1; n <= o.pedidos; ++n) {
    const std::string venda = Numbered("%010d", n);
    const std::string comanda = Numbered("%04d", n);
    const std::string externo = Numbered("DEMO%02d", n);
    const ado::Bindings bill = {{"P_CDFILIAL", o.filial}, {"P_NRVENDAREST", venda}};
    ado::RunCommand(connection, nullptr, kSqlInsVendaRest,
                    {bill[0], bill[1], {"P_CDLOJA", o.loja}});
    ado::RunCommand(connection, nullptr, kSqlInsComandaVen,
                    {bill[0],
                     bill[1],
                     {"P_NRCOMANDA", comanda},
                     {"P_CDLOJA", o.loja},
                     {"P_DSCOMANDA", "DLV_" + comanda},
                     {"P_NRCOMANDAEXT", externo}});
    double total = 0;
    int item = 0;
    for (const DemoProduct& p : kProducts) {
      const int quantity = item == 0 ? 1 : n;
      total += quantity * p.price;
      ado::RunCommand(connection, nullptr, kSqlInsItComandaVen,
                      {bill[0],
                       bill[1],
                       {"P_NRCOMANDA", comanda},
                       {"P_NRPRODCOMVEN", Numbered("%03d", ++item)},
                       {"P_CDPRODUTO", p.code},
                       {"P_QTPRODCOMVEN", std::to_string(quantity)},
                       {"P_VRPRECCOMVEN", Amount(p.price)},
                       {"P_NRCOMANDAEXT", externo}});
    }
    ado::RunCommand(connection, nullptr, kSqlInsMovCaixaDlv,
                    {bill[0], bill[1], {"P_VRMOVIVENDDLV", Amount(total)}});
  }
}

}  // namespace hostagent
