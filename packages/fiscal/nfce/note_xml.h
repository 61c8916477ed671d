#pragma once
// The NFC-e (layout 4.00) of a recorded sale, as the unsigned XML text of `NFe` holding only
// `infNFe`: the signature and the QR code are added to it afterwards (fiscal/nfce/signature.h).
//
// A sale with a delivery address, or whose consumer gave a CPF or CNPJ, is a home delivery
// (indPres 4) with the consumer (an empty idEstrangeiro when there is no tax number) and the
// delivery address (its own number, "S/N" when it has none, and its town) in `dest`; otherwise the
// sale is on the premises (indPres 1) without `dest`. A home delivery declares indIntermed: 1
// with infIntermed when the order's origin is a marketplace (VendaGravada::cnpjIntermediador), 0
// otherwise. Each item declares its GTIN (else "SEM GTIN"), its CEST when it has one, the ICMS
// group of the situation its branch's regime declares and its PIS/COFINS; each payment its
// type's code (tPag), with the card group for cards and PIX. In homologation (tpAmb 2) the first
// item's description and the consumer's name carry the wording the authorities require there.
// Texts are cleaned to what the layout accepts (VyrUtil::TextoLimpo, no doubled blanks, cut to
// the element's length).

#include <string>

#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal::Nfce {

inline constexpr const char* kNamespaceNfe = "http://www.portalfiscal.inf.br/nfe";
inline constexpr const char* kTextoHomologacaoItem =
    "NOTA FISCAL EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL";
inline constexpr const char* kTextoHomologacaoDest =
    "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL";

struct IdentificacaoNota {
  std::string chave;   // 44 digits; gives cUF, serie, nNF, tpEmis, cNF and cDV
  std::string dhEmi;   // "YYYY-MM-DDThh:mm:ss-03:00"
  std::string tpAmb;   // "1" production, "2" homologation
  std::string dhCont;  // contingency (tpEmis 9) only: when it began
  std::string xJust;   // contingency only: why (15 to 256 characters)
  std::string verProc = "VyrNFCe 1.0";
};

// The note's XML text (UTF-8, no declaration, no blanks between elements). Raises
// rtl::EConvertError naming the sale and the item, the payment type or the column whose value
// the layout cannot take (a product without NCM, an ICMS situation without a group for the
// regime, a payment type without a code, a key that is not 44 digits).
std::string MontaXmlNfe(const VendaGravada& venda, const IdentificacaoNota& id);

// The value in the layout's form: "61.80".
std::string Decimal2(double valor);

// True when the consumer gave a CPF or CNPJ, which `dest` then carries.
bool ConsumidorIdentificado(const Destinatario& destinatario);

// True when the sale is a home delivery (indPres 4): it has a delivery address, or the consumer
// gave a tax number.
bool EntregaEmDomicilio(const Destinatario& destinatario);

}  // namespace VyrFiscal::Nfce
