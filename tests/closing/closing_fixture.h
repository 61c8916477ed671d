#pragma once
// A store with one register and one delivery order, a data module connected to it, and fakes of
// the fiscal-device and receivables packages that answer as a test sets them and record what
// they receive. The order-data lookups and commands run for real on the store.
//
// Header-only, so the scan's tests share it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "external/receivables.h"
#include "fiscal/sale/sale_closing.h"
#include "fiscal/sale/sale_rows.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "support/package_fakes.h"
#include "support/store_builders.h"
#include "support/temp_store.h"
#include "worker/log_imp_exp_kds.h"

namespace closingtest {

using rtl::Variant;
using vyrtest::ScopedOverride;

inline constexpr const char* kFilial = "0001";
inline constexpr const char* kLoja = "01";
inline constexpr const char* kCaixa = "001";

// One sale row of the fake BuscaVenda.
struct SaleRow {
  std::string cdproduto = "1001";
  std::string quantidade = "2";
  double preco = 10;
  double desconto = 0;
  double acrescimo = 0;
  std::string nrinscrcons = " ";
};

class ClosingTest : public ::testing::Test {
 protected:
  ClosingTest() {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
    vyrtest::InsertBranchStoreRegister(store_, kFilial, kLoja, kCaixa);
    dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm().cdEmpresa = "0001";
    dm().idPaisIntegra = "1058";
    dm().idAmbTrabNfce = "2";
    dm().idImpCnpjClie = "N";
    dm().idTipoEmissao = "E";
    dm().idExtConsOnline = "N";
    dm().nrSeqImprLoja6 = "001";
    dm().idTipoImpNf6 = "19";
    dm().cdPortaImpNf6 = "COM1";
    dm().dsPastaXml = store_.Dir() + "/Dados/XML_NFCe_Sat/0001-001-2026-12-07/";
    dm().dtAberturaCaixa = rtl::EncodeDateTime({2026, 12, 7, 8, 30, 0, 0});
    dm().dtMovimento = rtl::EncodeDate(2026, 12, 7);
    dm().cdsConfTipoReceRev.CreateDataSet();
    AddLayout("001", "DINHEIRO", "1");
    vyrtest::PendingOrder order;
    order.items = {vyrtest::OrderItem{"001", "1001", 2, 10, ""}};
    vyrtest::InsertPendingOrder(store_, order);
    AddPayment("01", "001", "E", 20);
  }
  ~ClosingTest() override {
    dm_.reset();
    rtl::SetProgramDirectory("");
  }

  Cli_Qam00417::TrdmImpExpKds& dm() { return *dm_; }

  void NfceRegister() {
    dm().boVyrNfce = true;
    dm().idTipoEmissao = "N";
  }
  void SatRegister() {
    dm().boVyrSat = true;
    dm().idTipoEmissao = "S";
  }

  // A row of the register's payment layout.
  void AddLayout(const std::string& cdtiporece, const std::string& nmtiporece,
                 const std::string& idtiporece) {
    rtl::TClientDataSet& layout = dm().cdsConfTipoReceRev;
    layout.Append();
    layout.FieldByName("CDFILIAL").SetAsString(kFilial);
    layout.FieldByName("CDTIPORECE").SetAsString(cdtiporece);
    layout.FieldByName("NMTIPORECE").SetAsString(nmtiporece);
    layout.FieldByName("IDTIPORECE").SetAsString(idtiporece);
    layout.FieldByName("CDTIPOTROCO").SetAsString("T" + cdtiporece.substr(1));
    layout.FieldByName("NRORDTROCO").SetAsString("1");
    layout.FieldByName("DSIMPFISCAL").SetAsString(nmtiporece);
    layout.FieldByName("CDFPIMPFIS").SetAsString("F" + cdtiporece);
    layout.FieldByName("CDBANCARTCR").SetAsString("B" + cdtiporece);
    layout.Post();
  }

  // A delivery payment of order `nrvendarest`.
  void AddPayment(const std::string& nrseq, const std::string& cdtiporece,
                  const std::string& idtipo, double valor,
                  const std::string& nrvendarest = "0000000001") {
    store_.Exec(
        "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, CDCLIENTE, "
        "CDCONSUMIDOR, CDTIPORECE, VRMOVIVENDDLV, CDNSUTEFDLV) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {kFilial, nrvendarest, nrseq, idtipo, "C1", "K1", cdtiporece, valor, "NSU" + nrseq});
  }

  // Closes bill 0001 of order 0000000001.
  void Close(const std::string& dscomanda = "DLV_0001") {
    dm().FechaContaNormal(kFilial, kCaixa, kLoja, "0001", "0000000001", dscomanda);
  }

  // The log's messages without their date-time, one per line.
  std::string Log() const {
    std::ifstream in(Cli_Qam00417::LogImpExpKDSPath(), std::ios::binary);
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t separator = line.find(" - ");
      text += (separator == std::string::npos ? line : line.substr(separator + 3)) + "\n";
    }
    return text;
  }

  // IDIMPCUPEXP and IDSTCOMANDA of bill 0001, or "removed".
  std::string OrderState() const {
    const vyrtest::Rows rows =
        store_.Query("SELECT IDIMPCUPEXP, IDSTCOMANDA FROM COMANDAVEN WHERE NRCOMANDA = '0001'");
    if (rows.empty()) return "removed";
    return "IDIMPCUPEXP=" + rows[0][0] + " IDSTCOMANDA=" + rows[0][1];
  }

  // Cancelled sales recorded in VENDA.
  int CancelledSales() const { return store_.Count("VENDA", "IDSITUVENDA = 'C'"); }

  // The fakes' calls, in order.
  std::string Calls() const { return calls_.Text(); }

  vyrtest::TempStore store_;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
  vyrtest::CallLog calls_;

  // What the fakes answer.
  std::vector<SaleRow> saleRows_ = {SaleRow{}};
  std::string cdfamilisald_ = "F01";
  std::string answer_ = "0000000042";  // SetConcluiFechamento
  std::string nfceKey_ = "35261200000000000000650010000001231000001234";
  bool nfceContingency_ = false;
  bool satAccepts_ = true;
  std::vector<std::string> satValues_ = {
      "chaveConsulta=CFe35261211111111111111590000000000010000010005",
      "timeStamp=20261207103000",
      "valorTotalCFe=20.00",
      "CPFCNPJValue=",
      "assinaturaQRCODE=QRSIG",
      "arqxmlnfce=<CFe><ide><nserieSAT>900004019</nserieSAT><nCFe>000123</nCFe></ide></CFe>",
      "mensagem="};
  std::string balanceRefusal_;          // not empty: setValidaSaldoCons raises with it
  bool recordSaleOnClosing_ = false;    // the fake also enters today's sale in VENDA
  std::function<void()> onBuscaVenda_;  // runs inside the fake BuscaVenda, when set

  // What the fiscal package read from the closing lists, unpacked on its side: the tables as
  // "meaning=dataset(rows)", the sale as LeFechamento gives it, one "field=value" line each.
  std::string closingTables_;
  std::string closingSale_;
  // The receipt parameters' row as the print received it, "FIELD=value" for fields set.
  std::string receiptRow_;

 private:
  static std::string Text(const Variant& value) { return rtl::DebugString(value); }

  Variant SaleRows() const {
    std::vector<rtl::FieldDef> fields = VyrFiscal::SaleRowFields();
    for (const char* name :
         {"CDSENHAPED", "CDFAMILISALD", "NRCOMANDA", "DSCOMANDA", "NRVENDAREST"}) {
      fields.push_back(rtl::TextField(name, 50));
    }
    fields.push_back(rtl::FloatField("VRDESCCOMVEN"));
    fields.push_back(rtl::FloatField("VRACRCOMVEN"));
    std::vector<rtl::Row> rows;
    int seq = 1;
    for (const SaleRow& item : saleRows_) {
      rtl::Row row(fields.size(), Variant::Null());
      const auto set = [&](const char* name, const Variant& value) {
        for (size_t i = 0; i < fields.size(); ++i) {
          if (fields[i].name == name) row[i] = value;
        }
      };
      set("CDFILIAL", kFilial);
      set("CDLOJA", kLoja);
      set("CDPRODUTO", item.cdproduto);
      set("QTPRODCOMVEN", item.quantidade);
      set("VRPRECCOMVEN", item.preco);
      set("NRSEQ", "00" + std::to_string(seq++));
      set("CDCLIENTE", "C1");
      set("CDCONSUMIDOR", "K1");
      set("NRINSCRCONS", item.nrinscrcons);
      set("VRDESITVEND", item.desconto);
      set("VRACRITVEND", item.acrescimo);
      set("CDSENHAPED", "A17");
      set("CDFAMILISALD", cdfamilisald_);
      set("NRCOMANDA", "0001");
      set("DSCOMANDA", "DLV_0001");
      set("NRVENDAREST", "0000000001");
      set("VRDESCCOMVEN", item.desconto);
      set("VRACRCOMVEN", item.acrescimo);
      rows.push_back(row);
    }
    return Variant(rtl::DataPacket(fields, rows));
  }

  static std::string TablesText(const VyrFiscal::TabelasFechamento& t) {
    std::string text;
    const auto add = [&text](const char* meaning, const rtl::TClientDataSet* table) {
      text += std::string(meaning) + "=" + table->Name() + "(" +
              std::to_string(table->Active() ? table->RecordCount() : 0) + ") ";
    };
    add("vendas", t.vendas);
    add("movimentos", t.movimentos);
    add("cancelados", t.cancelados);
    add("famSaldo", t.famSaldo);
    add("emprestimoFam", t.emprestimoFam);
    add("itensEst", t.itensEst);
    add("obsItens", t.obsItens);
    add("obsItensEst", t.obsItensEst);
    return text;
  }

  static std::string SaleText(const VyrFiscal::Venda::Fechamento& f) {
    const auto date = [](rtl::TDateTime d) { return Text(Variant::FromDateTime(d)); };
    return "CDCAIXA=" + f.CDCAIXA + "\nCDEMPRESA=" + f.CDEMPRESA + "\nCDFILIAL=" + f.CDFILIAL +
           "\nCDLOJA=" + f.CDLOJA + "\nNRCOMANDA=" + f.NRCOMANDA + "\nDSCOMANDA=" + f.DSCOMANDA +
           "\nNRVENDAREST=" + f.NRVENDAREST + "\ndtAberturaCaixa=" + date(f.dtAberturaCaixa) +
           "\ndtMovimento=" + date(f.dtMovimento) + "\nnrNfce=" + f.nrNfce +
           "\nnrSerieNfce=" + f.nrSerieNfce + "\ndtEmissNfce=" + f.dtEmissNfce +
           "\nidAmbTrabNfce=" + f.idAmbTrabNfce + "\nidTipoEmissao=" + f.idTipoEmissao +
           "\nidOrigemVenda=" + f.idOrigemVenda + "\nidPaisIntegra=" + f.idPaisIntegra +
           "\nIDRETBALLOJA=" + f.IDRETBALLOJA + "\nvrTotalTrib=" + Text(f.vrTotalTrib) +
           "\nCDMUNICIPIO=" + f.CDMUNICIPIO + "\nCDPAIS=" + f.CDPAIS + "\nSGESTADO=" + f.SGESTADO +
           "\nCDBAIRRO=" + f.CDBAIRRO + "\nDSBAIRRO=" + f.DSBAIRRO +
           "\nDSENDECONSCOMAN=" + f.DSENDECONSCOMAN + "\nDSCOMPLENDCOCOM=" + f.DSCOMPLENDCOCOM +
           "\nNRCEPCONSCOMAND=" + f.NRCEPCONSCOMAND + "\nDSREFENDCONSCOM=" + f.DSREFENDCONSCOM +
           "\nvendas=" + std::to_string(f.vendas.RowCount()) +
           " movimentos=" + std::to_string(f.movimentos.RowCount()) +
           " cancelados=" + std::to_string(f.cancelados.RowCount()) + "\n";
  }

  static std::string RowText(const rtl::TClientDataSet& table) {
    std::string text;
    const rtl::DataPacket packet = table.Packet();
    for (size_t i = 0; i < packet.FieldCount(); ++i) {
      const Variant& value = packet.Value(0, i);
      if (!value.IsNull()) text += packet.Fields()[i].name + "=" + value.AsString() + " ";
    }
    return text;
  }

  ScopedOverride<decltype(VyrFiscal::BuscaVenda)> buscaVenda_{
      VyrFiscal::BuscaVenda, [this](const Variant& filialComanda, Variant& retorno) {
        calls_.Record("BuscaVenda" + Text(filialComanda));
        if (onBuscaVenda_) onBuscaVenda_();
        retorno[0] = SaleRows();
        retorno[1] = Variant(rtl::DataPacket(VyrFiscal::CancelledItemFields(), {}));
        return Variant();
      }};
  ScopedOverride<decltype(VyrFiscal::CalculoIcmsDFederal)> icms_{
      VyrFiscal::CalculoIcmsDFederal, [this](rtl::TClientDataSet&, Variant& valores, double) {
        calls_.Record("CalculoIcmsDFederal");
        valores[0] = "1.50";
        valores[1] = "9.99";
        valores[2] = "0.75";
        return 2.25;
      }};
  ScopedOverride<decltype(VyrFiscal::getNumeroSerieNFCe)> serie_{
      VyrFiscal::getNumeroSerieNFCe, [this](const std::string& f, const std::string& c) {
        calls_.Record("getNumeroSerieNFCe(" + f + "," + c + ")");
        return std::string("7");
      }};
  ScopedOverride<decltype(VyrFiscal::getDataEmissNFCe)> emissao_{
      VyrFiscal::getDataEmissNFCe, [] { return std::string("2026-12-07T10:30:00-03:00"); }};
  ScopedOverride<decltype(VyrRecebimento::setNumeroNFCe)> numero_{
      VyrRecebimento::setNumeroNFCe,
      [this](const std::string& f, const std::string& c, const std::string& serie,
             const std::string& ambiente, bool nfce) {
        calls_.Record("setNumeroNFCe(" + f + "," + c + "," + serie + "," + ambiente + "," +
                      (nfce ? "true" : "false") + ")");
        return Variant("123");
      }};
  ScopedOverride<decltype(VyrFiscal::SetConcluiFechamento)> conclui_{
      VyrFiscal::SetConcluiFechamento, [this](const std::vector<rtl::TClientDataSet*>& tabelas,
                                              const Variant& parametros, Variant& retorno) {
        calls_.Record("SetConcluiFechamento");
        closingTables_ = TablesText(VyrFiscal::DesempacotaTabelas(tabelas));
        closingSale_ = SaleText(VyrFiscal::Venda::LeFechamento(tabelas, parametros));
        VyrFiscal::EmpacotaNota({nfceKey_, nfceContingency_}, retorno);
        if (recordSaleOnClosing_ && answer_.size() == 10) {
          vyrtest::InsertSale(store_, kFilial, kCaixa, answer_, kLoja, "0000000001",
                              vyrtest::TodayText());
        }
        return Variant(answer_);
      }};
  ScopedOverride<decltype(VyrFiscal::AlteraVendaCan)> altera_{
      VyrFiscal::AlteraVendaCan, [this](const Variant& parametros, Variant& retorno) {
        calls_.Record("AlteraVendaCan" + Text(parametros) + "/" +
                      std::to_string(retorno.ArrayLength()));
        return Variant();
      }};
  ScopedOverride<decltype(VyrFiscal::SATOnline)> sat_{
      VyrFiscal::SATOnline,
      [this](const std::string& f, const std::string& c, const std::string& venda,
             const std::string& util, const std::string& ativacao, const std::string& pasta,
             const std::string& ibpt, const std::string& ibptEs,
             std::vector<std::string>& valores) {
        calls_.Record("SATOnline(" + f + "," + c + "," + venda + "," + util + "," + ativacao + "," +
                      (pasta == dm().dsPastaXml ? "dsPastaXml" : pasta) + "," + ibpt + "," +
                      ibptEs + ")");
        valores = satValues_;
        return satAccepts_;
      }};
  ScopedOverride<decltype(VyrFiscal::AtualizaVendaSat)> atualiza_{
      VyrFiscal::AtualizaVendaSat,
      [this](const std::string& f, const std::string& c, const std::string& venda,
             const std::string& nrCfe, const std::string& qr, const std::vector<std::string>& v) {
        calls_.Record("AtualizaVendaSat(" + f + "," + c + "," + venda + "," + nrCfe + "," + qr +
                      "," + std::to_string(v.size()) + ")");
        return Variant();
      }};
  ScopedOverride<decltype(VyrFiscal::DisparaImpressaoNaoFiscal)> imprime_{
      VyrFiscal::DisparaImpressaoNaoFiscal, [this](const Variant& parametros, Variant& retorno) {
        rtl::TClientDataSet param;
        param.SetData(parametros[5]);
        receiptRow_ = RowText(param);
        calls_.Record("DisparaImpressaoNaoFiscal[" + Text(parametros[0]) + ", " +
                      Text(parametros[1]) + ", " + Text(parametros[2]) + ", " +
                      Text(parametros[3]) + ", " + Text(parametros[4]) + ", " +
                      std::to_string(param.RecordCount()) + " row, " + Text(parametros[6]) + "]/" +
                      std::to_string(retorno.ArrayLength()));
        return Variant();
      }};
  ScopedOverride<decltype(VyrRecebimento::getMinDtMovExtCons)> minDt_{
      VyrRecebimento::getMinDtMovExtCons, [this](const std::string& cli, const std::string& cons) {
        calls_.Record("getMinDtMovExtCons(" + cli + "," + cons + ")");
        return Variant(rtl::DataPacket({rtl::DateTimeField("DTMOVEXTCONS")},
                                       {{Variant::FromDateTime(rtl::EncodeDate(2026, 12, 1))}}));
      }};
  ScopedOverride<decltype(VyrRecebimento::EvoluiSaldo)> evolui_{
      VyrRecebimento::EvoluiSaldo, [this](const std::string& cli, const std::string& cons,
                                          const std::string& f, rtl::TDateTime desde) {
        calls_.Record("EvoluiSaldo(" + cli + "," + cons + "," + f + "," +
                      rtl::FormatSqlDateTime(desde) + ")");
      }};
  ScopedOverride<decltype(VyrRecebimento::setValidaSaldoCons)> valida_{
      VyrRecebimento::setValidaSaldoCons,
      [this](const std::string& f, const std::string& c, const std::string& cli,
             const std::string& cons, const std::string& online, const std::string&,
             const std::string&, const Variant& famSaldo, rtl::TDateTime) {
        rtl::TClientDataSet saldo;
        saldo.SetData(famSaldo);
        calls_.Record("setValidaSaldoCons(" + f + "," + c + "," + cli + "," + cons + "," + online +
                      "," + RowText(saldo) + ")");
        if (!balanceRefusal_.empty()) throw rtl::Exception(balanceRefusal_);
        return Variant(rtl::DataPacket({rtl::TextField("CDFAMILISALD", 3)}, {}));
      }};
};

}  // namespace closingtest
