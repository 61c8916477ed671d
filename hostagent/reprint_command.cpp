#include "hostagent/reprint_command.h"

#include <filesystem>
#include <stdexcept>

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_functions.h"
#include "hostagent/host_records.h"
#include "hostagent/receipt_copies.h"
#include "rtl/client_dataset.h"

namespace hostagent {

namespace {

const char* const kSelVendaRecibo =
    R"mssql(SELECT V.CDSENHAPED, V.IDSITUVENDA, N.CDCHAVENFCE, S.NRCHAVECFE, S.DSQRCODECFE, S.NRSERIESAT, S.DSTIMESTAMPSAT, I6.CDPORTAIMPR, P6.IDMODEIMPRES, CX.NRSEQIMPRLOJA6 FROM VENDA V LEFT JOIN NFCEVENDA N ON N.CDFILIAL = V.CDFILIAL AND N.CDCAIXA = V.CDCAIXA AND N.NRSEQVENDA = V.NRSEQVENDA LEFT JOIN VENDACFESAT S ON S.CDFILIAL = V.CDFILIAL AND S.CDCAIXA = V.CDCAIXA AND S.NRSEQVENDA = V.NRSEQVENDA LEFT JOIN CAIXA CX ON CX.CDFILIAL = V.CDFILIAL AND CX.CDCAIXA = V.CDCAIXA LEFT JOIN IMPRLOJA I6 ON I6.CDFILIAL = CX.CDFILIAL AND I6.CDLOJA = CX.CDLOJA AND I6.NRSEQIMPRLOJA = CX.NRSEQIMPRLOJA6 LEFT JOIN IMPRESSORA P6 ON P6.CDIMPRESSORA = I6.CDIMPRESSORA WHERE V.CDFILIAL = :P_CDFILIAL AND V.CDCAIXA = :P_CDCAIXA AND V.NRSEQVENDA = :P_NRSEQVENDA)mssql";

std::vector<rtl::FieldDef> ParameterFields() {
  using rtl::TextField;
  return {TextField("CHAVEACESSONFCe", 55), TextField("SENHACUPOM", 6),
          TextField("NRSEQIMPRLOJA6", 5),   TextField("IDTIPOIMPNF6", 5),
          TextField("CDPORTAIMPNF6", 15),   TextField("QRCODENFCe", 8000),
          TextField("stIBPT", 10),          TextField("stIBPTES", 10),
          TextField("DATAEMISSNFCE", 30),   TextField("NRSERIESAT", 50)};
}

// The one place a deliberate reprint reaches the package: its operator's reprint, which prints
// whatever the receipt's print state says and counts the reprint apart from the automatic prints.
void PrintAgain(const ReprintOptions& o, const Reprinted& feito, const std::string& idTipoImp) {
  VyrFiscal::ReimprimeCupom(o.filial, o.caixa, o.venda, feito.porta, idTipoImp);
}

// A sale's number as it is recorded: "1" is sale 0000000001.
std::string RecordedNumber(const std::string& venda) {
  const bool digits = !venda.empty() && venda.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || venda.size() >= VyrFiscal::kTamanhoNumeroVenda) return venda;
  return std::string(VyrFiscal::kTamanhoNumeroVenda - venda.size(), '0') + venda;
}

}  // namespace

Reprinted Reprint(const ReprintOptions& given) {
  ReprintOptions o = given;
  FillRegister(o.dir, o.filial, o.caixa, o.loja);
  o.venda = RecordedNumber(o.venda);
  ado::TADOConnection connection;
  connection.ConnectionString = StoreConnection(o.dir);
  rtl::TClientDataSet parametros;
  parametros.DeclareFields(ParameterFields());
  parametros.CreateDataSet();
  parametros.Append();
  Reprinted feito;
  bool cancelada = false;
  const std::string venda =
      "venda " + o.venda + " (filial " + o.filial + ", caixa " + o.caixa + ")";
  const bool existe = ado::ReadFirstRow(
      connection, "adqVendaRecibo", kSelVendaRecibo,
      ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA"}),
      {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}, {"P_NRSEQVENDA", o.venda}},
      [&](ado::TADOQuery& q) {
        const auto campo = [&q](const char* nome) { return q.FieldByName(nome).AsString(); };
        cancelada = campo("IDSITUVENDA") == "C";
        const bool sat = !campo("NRCHAVECFE").empty();
        feito.tipo = sat ? "EXTRATO_SAT" : "VENDA_NFCe";
        feito.chave = sat ? campo("NRCHAVECFE") : campo("CDCHAVENFCE");
        feito.porta = campo("CDPORTAIMPR");
        parametros.FieldByName("CHAVEACESSONFCe").SetAsString(feito.chave);
        parametros.FieldByName("SENHACUPOM").SetAsString(campo("CDSENHAPED"));
        parametros.FieldByName("NRSEQIMPRLOJA6").SetAsString(campo("NRSEQIMPRLOJA6"));
        parametros.FieldByName("IDTIPOIMPNF6").SetAsString(campo("IDMODEIMPRES"));
        parametros.FieldByName("CDPORTAIMPNF6").SetAsString(feito.porta);
        if (sat) {
          parametros.FieldByName("QRCODENFCe").SetAsString(campo("DSQRCODECFE"));
          parametros.FieldByName("DATAEMISSNFCE").SetAsString(campo("DSTIMESTAMPSAT"));
          parametros.FieldByName("NRSERIESAT").SetAsString(campo("NRSERIESAT"));
        }
      });
  if (!existe) throw std::runtime_error("a " + venda + " nao existe (tabela VENDA)");
  if (cancelada) {
    throw std::runtime_error("a " + venda +
                             " foi cancelada (VENDA.IDSITUVENDA 'C'): nao tem recibo");
  }
  if (feito.chave.empty()) {
    throw std::runtime_error("a " + venda +
                             " nao tem documento guardado (NFCEVENDA nem VENDACFESAT): o recibo "
                             "sai quando o documento for emitido");
  }
  if (feito.porta.empty()) {
    throw std::runtime_error("o caixa " + o.caixa +
                             " nao tem impressora (CAIXA.NRSEQIMPRLOJA6, IMPRLOJA.CDPORTAIMPR)");
  }
  parametros.Post();
  PrintAgain(o, feito, parametros.FieldByName("IDTIPOIMPNF6").AsString());
  feito.copia =
      FindReceiptCopy(o.dir, (feito.tipo == "EXTRATO_SAT" ? "CFe" : "NFCe") + feito.chave + ".txt");
  return feito;
}

}  // namespace hostagent
