#include <filesystem>
#include <fstream>

#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/receipt/escpos.h"
#include "fiscal/receipt/printer_port.h"
#include "fiscal/receipt/qr_png.h"
#include "fiscal/receipt/receipt_source.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace VyrFiscal::Rotinas {

namespace {

using namespace VyrFiscal::Cupom;

// The copies go beside the store's data, one pair per document: printing the same sale again
// replaces them.
void GuardaCopias(const Recibo& recibo, const Documento& documento) {
  const std::string pasta = rtl::ProgramDirectory() + "/Dados/Impressao/";
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

}  // namespace

// The copies are written before the printer is tried, so that support staff can see what a
// receipt that did not print should have shown.
Variant DisparaImpressaoNaoFiscal(const Variant& parametros, Variant&) {
  const ParametrosRecibo pedido = LeParametros(parametros);
  if (pedido.chave.empty()) {
    throw rtl::Exception(
        "DisparaImpressaoNaoFiscal: the receipt parameters carry no access key (CHAVEACESSONFCe)");
  }
  const Recibo recibo = MontaModelo(ConexaoFiscal(), pedido);
  const Documento documento = MontaRecibo(recibo);
  GuardaCopias(recibo, documento);
  EnviaParaImpressora(pedido.porta,
                      EscPosDoDocumento(documento, PaginaDaImpressora(pedido.idTipoImp)));
  return true;
}

}  // namespace VyrFiscal::Rotinas
