#pragma once
// The receipt model of a closing's print request: the parameters row the closing filled
// (cdsParamImpCupNF), the document stored under its key and the recorded sale.

#include <optional>
#include <string>

#include "db/connection.h"
#include "fiscal/receipt/receipt_model.h"
#include "rtl/variant.h"

namespace VyrFiscal::Cupom {

// What the print request carries.
struct ParametrosRecibo {
  TipoRecibo tipo = TipoRecibo::VendaNfce;
  std::string chave;          // CHAVEACESSONFCe
  std::string senha;          // SENHACUPOM
  std::string nrSeqImprLoja;  // NRSEQIMPRLOJA6
  std::string idTipoImp;      // IDTIPOIMPNF6
  std::string porta;          // CDPORTAIMPNF6
  // Set for a SAT extract only.
  std::string qrCode;       // QRCODENFCe
  std::string ibpt;         // stIBPT, federal approximate taxes ("1.23")
  std::string ibptEs;       // stIBPTES, state approximate taxes
  std::string dataEmissao;  // DATAEMISSNFCE
  std::string nrSerieSat;   // NRSERIESAT
};

// Reads the 7-value print list [false, kind, omitted, omitted, omitted, packet, ""]. Raises
// rtl::Exception naming the fault: not a list of 7, a kind other than "VENDA_NFCe" and
// "EXTRATO_SAT", no packet in element 5 or a packet without a row.
ParametrosRecibo LeParametros(const rtl::Variant& parametros);

// The recorded sale a document belongs to.
struct VendaDoDocumento {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
};

// Finds the recorded sale whose NFC-e (`tipo` VendaNfce) or CF-e (ExtratoSat) has the access key
// `chave` (44 digits); nothing when no stored document has it.
std::optional<VendaDoDocumento> LocalizaVenda(ado::TADOConnection& conexao, TipoRecibo tipo,
                                              const std::string& chave);

// The receipt model: the sale (LeVendaGravada) when LocalizaVenda finds it, the note's print
// data (NfceImpressao) for an NFC-e; what the key itself says (emitter, number, series,
// contingency) when either is missing. Raises what those reads raise.
Recibo MontaModelo(ado::TADOConnection& conexao, const ParametrosRecibo& parametros);

}  // namespace VyrFiscal::Cupom
