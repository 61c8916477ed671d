#pragma once
// What a customer's receipt shows, gathered from the recorded sale, its fiscal document and the
// receipt parameters of the closing. The layout (receipt_layout.h) is a pure function of it.

#include <string>

#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal::Cupom {

enum class TipoRecibo {
  VendaNfce,   // "VENDA_NFCe": the DANFE NFC-e
  ExtratoSat,  // "EXTRATO_SAT": the CF-e SAT extract
};

struct Recibo {
  TipoRecibo tipo = TipoRecibo::VendaNfce;

  // The sale. When it could not be found, `vendaConhecida` is false and only `venda.emitente.CNPJ`
  // (taken from the key) is set: the receipt then leaves out items, totals and payments.
  bool vendaConhecida = false;
  VendaGravada venda;

  std::string chave;   // the 44 digits of the access key, without "NFe"/"CFe"
  std::string senha;   // the order's code (SENHACUPOM)
  std::string qrCode;  // the QR code's text; no QR code is printed when empty
  // A paper of this receipt may have come out before (an interrupted print, an operator's
  // reprint): this one says it is a second copy.
  bool segundaVia = false;

  // NFC-e.
  std::string nNF, serie;
  std::string dhEmi;  // "YYYY-MM-DDThh:mm:ss-03:00"
  std::string tpAmb;  // "2": the homologation wording (NFC-e), the test extract (SAT)
  std::string urlConsulta;
  std::string protocolo;  // empty while the note waits for authorisation
  std::string dhRecbto;
  bool contingencia = false;

  // CF-e SAT.
  std::string nCFe;           // 6 digits
  std::string nserieSAT;      // 9 digits
  std::string timeStamp;      // "AAAAMMDDhhmmss"
  std::string consumidorSat;  // consumer CPF/CNPJ of the QR text, digits

  // Approximate taxes of the whole sale.
  double tribFederal = 0;
  double tribEstadual = 0;
};

}  // namespace VyrFiscal::Cupom
