#include "fiscal/receipt/receipt_print.h"

#include <exception>
#include <filesystem>
#include <fstream>

#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/receipt/escpos.h"
#include "fiscal/receipt/printer_port.h"
#include "fiscal/receipt/qr_png.h"
#include "fiscal/receipt/receipt_state.h"
#include "fiscal/sat/stored_cfe.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/fault_point.h"
#include "rtl/program_dir.h"

namespace VyrFiscal {
namespace Cupom {

namespace {

const char* const kSelVenda =
    R"mssql(SELECT IDTIPOEMISSAO, CDSENHAPED FROM VENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

// The branch's day the document bears ("YYYY-MM-DD"): the note's dhEmi, the CF-e's time stamp
// (the device's clock); the host's day for a receipt that bears neither.
std::string DiaDoDocumento(const Recibo& recibo) {
  if (recibo.tipo == TipoRecibo::VendaNfce && recibo.dhEmi.size() >= 10) {
    return recibo.dhEmi.substr(0, 10);
  }
  if (recibo.tipo == TipoRecibo::ExtratoSat && recibo.timeStamp.size() >= 8) {
    const std::string& t = recibo.timeStamp;
    return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2);
  }
  return rtl::FormatDateIso(rtl::Now());
}

// The copies go beside the store's data, in a folder per day (a busy store makes hundreds of
// thousands a year), one pair per document: printing the same sale again replaces them.
void GuardaCopias(const Recibo& recibo, const Documento& documento) {
  const std::string pasta =
      rtl::ProgramDirectory() + "/Dados/Impressao/" + DiaDoDocumento(recibo) + "/";
  std::error_code erro;
  std::filesystem::create_directories(pasta, erro);
  if (erro) {
    throw rtl::EInOutError("Receipt: cannot create the folder " + pasta + " (" + erro.message() +
                           ")");
  }
  const std::string base =
      pasta + (recibo.tipo == TipoRecibo::ExtratoSat ? "CFe" : "NFCe") + recibo.chave;
  std::ofstream texto(base + ".txt", std::ios::binary | std::ios::trunc);
  texto << TextoDoDocumento(documento);
  texto.close();
  if (!texto) throw rtl::EInOutError("Receipt: cannot write the receipt copy " + base + ".txt");
  if (!recibo.qrCode.empty()) GravaQrPng(recibo.qrCode, base + ".png");
}

// The text copies, then the printer's bytes.
std::string Prepara(const Recibo& recibo, const ParametrosRecibo& parametros) {
  const Documento documento = MontaRecibo(recibo);
  GuardaCopias(recibo, documento);
  return EscPosDoDocumento(documento, PaginaDaImpressora(parametros.idTipoImp));
}

}  // namespace

// The copies (and the printer's bytes) are made before the print state is taken, so that a
// stop between taking it and printing, which makes the next paper a second copy, is as unlikely
// as it can be; a second copy is laid out again with its mark.
Reserva ImprimeRecibo(ado::TADOConnection& conexao, const ParametrosRecibo& parametros,
                      bool reimpressao) {
  Recibo recibo = MontaModelo(conexao, parametros);
  recibo.segundaVia = reimpressao;
  const VendaDoCupom venda{recibo.venda.CDFILIAL, recibo.venda.CDCAIXA, recibo.venda.NRSEQVENDA};
  Reserva reserva = recibo.vendaConhecida ? Reserva::Nenhuma : Reserva::Primeira;
  try {
    std::string bytes = Prepara(recibo, parametros);
    if (recibo.vendaConhecida) {
      reserva = ReservaImpressao(conexao, venda, reimpressao);
      if (reserva == Reserva::Nenhuma) return reserva;
      if (reserva == Reserva::SegundaVia && !recibo.segundaVia) {
        recibo.segundaVia = true;
        bytes = Prepara(recibo, parametros);
      }
    }
    EnviaParaImpressora(parametros.porta, bytes);
  } catch (const std::exception& erro) {
    // A failure before the state was taken is recorded too, as one attempt.
    if (recibo.vendaConhecida && !rtl::IsProgrammingError(erro) &&
        (reserva != Reserva::Nenhuma ||
         ReservaImpressao(conexao, venda, reimpressao) != Reserva::Nenhuma)) {
      RegistraImpressao(conexao, venda, erro.what());
    }
    throw;
  }
  rtl::FaultPoint(rtl::kFalhaCupomImpresso);
  if (recibo.vendaConhecida) RegistraImpressao(conexao, venda);
  return recibo.segundaVia ? Reserva::SegundaVia : Reserva::Primeira;
}

ParametrosRecibo ReciboDaVenda(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  const ado::Bindings venda = {
      {"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}, {"P_NRSEQVENDA", NRSEQVENDA}};
  std::string tipoEmissao;
  ParametrosRecibo p;
  ado::ReadFirstRow(conexao, "adqVendaDoCupom", kSelVenda, ado::ParamsFor(venda), venda,
                    [&](ado::TADOQuery& query) {
                      tipoEmissao = query.FieldByName("IDTIPOEMISSAO").AsString();
                      p.senha = query.FieldByName("CDSENHAPED").AsString();
                    });
  const std::string nome = CDFILIAL + "/" + CDCAIXA + "/" + NRSEQVENDA;
  Sat::CFeGravado cfe;
  if (tipoEmissao == "S" && Sat::LeCFeGravado(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, cfe) &&
      !cfe.NRCHAVECFE.empty()) {
    p.tipo = TipoRecibo::ExtratoSat;
    p.chave = cfe.NRCHAVECFE;
    p.qrCode = cfe.DSQRCODECFE;
    p.nrSerieSat = cfe.NRSERIESAT;
  } else if (tipoEmissao == "N") {
    p.tipo = TipoRecibo::VendaNfce;
    p.chave = ChaveNfceGravada(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
  }
  if (p.chave.empty()) {
    throw rtl::EDatabaseError("Receipt of sale " + nome +
                              ": no document stored for it (VENDACFESAT, NFCEVENDA)");
  }
  return p;
}

}  // namespace Cupom

namespace Rotinas {

Variant DisparaImpressaoNaoFiscal(const Variant& parametros, Variant&) {
  const Cupom::ParametrosRecibo pedido = Cupom::LeParametros(parametros);
  if (pedido.chave.empty()) {
    throw rtl::Exception(
        "DisparaImpressaoNaoFiscal: the receipt parameters carry no access key (CHAVEACESSONFCe)");
  }
  return Cupom::ImprimeRecibo(ConexaoFiscal(), pedido, false) != Cupom::Reserva::Nenhuma;
}

}  // namespace Rotinas
}  // namespace VyrFiscal
