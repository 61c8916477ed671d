#pragma once
// Fakes of the fiscal-device package's function variables, as the closing of bill 0001 of
// order 0000000001 (branch 0001, store 01) calls them. Each fake records its call in the log it
// was given and answers what the public members say; what the closing handed over is kept for
// the test to read. In place for the life of the object.
//
// Header-only: the module's test programs that use it link the package.

#include <functional>
#include <string>
#include <vector>

#include "external/fiscal_device.h"
#include "fiscal/sale/closed_bill.h"
#include "fiscal/sale/sale_rows.h"
#include "rtl/client_dataset.h"
#include "support/first_row_text.h"
#include "support/package_fakes.h"

namespace vyrtest {

// One sale row of the fake BuscaVenda.
struct FakeSaleRow {
  std::string cdproduto = "1001";
  std::string quantidade = "2";
  double preco = 10;
  double desconto = 0;
  double acrescimo = 0;
  std::string nrinscrcons = " ";
};

class FakeFiscalPackage {
 public:
  explicit FakeFiscalPackage(CallLog& calls) : calls_(calls) {}
  FakeFiscalPackage(const FakeFiscalPackage&) = delete;
  FakeFiscalPackage& operator=(const FakeFiscalPackage&) = delete;

  // What the fakes answer.
  std::vector<FakeSaleRow> saleRows = {FakeSaleRow{}};  // BuscaVenda
  std::string cdfamilisald = "F01";                     // of every sale row
  std::string answer = "0000000042";                    // SetConcluiFechamento
  std::string checkAnswer;  // VerificaFechamento, not recorded: "" lets a number be drawn
  std::string nfceKey = "35261200000000000000650010000001231000001234";
  bool nfceContingency = false;
  std::string voidAnswer = "102 Inutilizacao de numero homologado";  // InutilizaNumeroNFCe
  bool satAccepts = true;                                            // SATOnline
  std::string ibptWarning;  // CalculoIcmsDFederal's element 1: "" when the table is loaded
  std::vector<std::string> satValues = {
      "chaveConsulta=CFe35261211111111111111590000000000010000010005",
      "timeStamp=20261207103000",
      "valorTotalCFe=20.00",
      "CPFCNPJValue=",
      "assinaturaQRCODE=QRSIG",
      "arqxmlnfce=<CFe><ide><nserieSAT>900004019</nserieSAT><nCFe>000123</nCFe></ide></CFe>",
      "mensagem="};
  // The XML folder SATOnline expects; its call shows it as "dsPastaXml".
  std::string xmlFolder;
  std::function<void()> onBuscaVenda;  // runs inside the fake BuscaVenda, when set
  std::function<void()> onClosing;     // runs inside the fake SetConcluiFechamento, when set

  // What the fiscal package read from the closing lists, unpacked on its side: the tables as
  // "meaning=dataset(rows)", the sale as LeFechamento gives it, one "field=value" line each.
  std::string closingTables;
  std::string closingSale;
  // The receipt parameters' row as the print received it, "FIELD=value" for fields set.
  std::string receiptRow;

 private:
  using Variant = rtl::Variant;

  static std::string Text(const Variant& value) { return rtl::DebugString(value); }

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

  Variant SaleRows() const {
    std::vector<rtl::FieldDef> fields = VyrFiscal::CamposLinhaVenda();
    for (const char* name :
         {"CDSENHAPED", "CDFAMILISALD", "NRCOMANDA", "DSCOMANDA", "NRVENDAREST"}) {
      fields.push_back(rtl::TextField(name, 50));
    }
    fields.push_back(rtl::FloatField("VRDESCCOMVEN"));
    fields.push_back(rtl::FloatField("VRACRCOMVEN"));
    std::vector<rtl::Row> rows;
    int seq = 1;
    for (const FakeSaleRow& item : saleRows) {
      rtl::Row row(fields.size(), Variant::Null());
      const auto set = [&](const char* name, const Variant& value) {
        for (size_t i = 0; i < fields.size(); ++i) {
          if (fields[i].name == name) row[i] = value;
        }
      };
      set("CDFILIAL", "0001");
      set("CDLOJA", "01");
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
      set("CDFAMILISALD", cdfamilisald);
      set("NRCOMANDA", "0001");
      set("DSCOMANDA", "DLV_0001");
      set("NRVENDAREST", "0000000001");
      set("VRDESCCOMVEN", item.desconto);
      set("VRACRCOMVEN", item.acrescimo);
      rows.push_back(row);
    }
    return Variant(rtl::DataPacket(fields, rows));
  }

  CallLog& calls_;

  ScopedOverride<decltype(VyrFiscal::BuscaVenda)> buscaVenda_{
      VyrFiscal::BuscaVenda, [this](const Variant& filialComanda, Variant& retorno) {
        calls_.Record("BuscaVenda" + Text(filialComanda));
        if (onBuscaVenda) onBuscaVenda();
        retorno[0] = SaleRows();
        retorno[1] = Variant(rtl::DataPacket(VyrFiscal::CamposItemCancelado(), {}));
        return Variant();
      }};
  ScopedOverride<decltype(VyrFiscal::CalculoIcmsDFederal)> icms_{
      VyrFiscal::CalculoIcmsDFederal, [this](rtl::TClientDataSet&, Variant& valores, double) {
        calls_.Record("CalculoIcmsDFederal");
        valores[0] = "1.50";
        valores[1] = ibptWarning;
        valores[2] = "0.75";
        return 2.25;
      }};
  ScopedOverride<decltype(VyrFiscal::getNumeroSerieNFCe)> serie_{
      VyrFiscal::getNumeroSerieNFCe, [this](const std::string& f, const std::string& c) {
        calls_.Record("getNumeroSerieNFCe(" + f + "," + c + ")");
        return std::string("7");
      }};
  ScopedOverride<decltype(VyrFiscal::InutilizaNumeroNFCe)> inutiliza_{
      VyrFiscal::InutilizaNumeroNFCe,
      [this](const std::string& f, const std::string& c, const std::string& serie,
             const std::string& numero, const std::string& ambiente) {
        calls_.Record("InutilizaNumeroNFCe(" + f + "," + c + "," + serie + "," + numero + "," +
                      ambiente + ")");
        return voidAnswer;
      }};
  ScopedOverride<decltype(VyrFiscal::getDataEmissNFCe)> emissao_{
      VyrFiscal::getDataEmissNFCe, [] { return std::string("2026-12-07T10:30:00-03:00"); }};
  ScopedOverride<decltype(VyrFiscal::VerificaFechamento)> verifica_{
      VyrFiscal::VerificaFechamento,
      [this](const std::vector<rtl::TClientDataSet*>&, const Variant&) { return checkAnswer; }};
  ScopedOverride<decltype(VyrFiscal::SetConcluiFechamento)> conclui_{
      VyrFiscal::SetConcluiFechamento, [this](const std::vector<rtl::TClientDataSet*>& tabelas,
                                              const Variant& parametros, Variant& retorno) {
        calls_.Record("SetConcluiFechamento");
        closingTables = TablesText(VyrFiscal::DesempacotaTabelas(tabelas));
        closingSale = SaleText(VyrFiscal::Venda::LeFechamento(tabelas, parametros));
        VyrFiscal::EmpacotaNota({nfceKey, nfceContingency}, retorno);
        if (onClosing) onClosing();
        return Variant(answer);
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
                      (pasta == xmlFolder ? "dsPastaXml" : pasta) + "," + ibpt + "," + ibptEs +
                      ")");
        valores = satValues;
        return satAccepts;
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
        receiptRow = FirstRowText(param);
        calls_.Record("DisparaImpressaoNaoFiscal[" + Text(parametros[0]) + ", " +
                      Text(parametros[1]) + ", " + Text(parametros[2]) + ", " +
                      Text(parametros[3]) + ", " + Text(parametros[4]) + ", " +
                      std::to_string(param.RecordCount()) + " row, " + Text(parametros[6]) + "]/" +
                      std::to_string(retorno.ArrayLength()));
        return Variant();
      }};
};

}  // namespace vyrtest
