#pragma once
// A sale as SetConcluiFechamento recorded it, read back from the store for the documents and
// receipts that are made of it: the header, the emitter (the branch), the consumer and the
// delivery address, the items with their fiscal columns and the payments.

#include <string>
#include <vector>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrFiscal {

// The branch that issues the documents (FILIAL).
struct Emitente {
  std::string CNPJ;  // 14 digits
  std::string xNome;
  std::string xFant;
  std::string IE;
  std::string CRT;  // tax regime: "1" Simples Nacional, "3" normal
  std::string xLgr, nro, xCpl, xBairro;
  std::string cMun;  // 7-digit IBGE code
  std::string xMun;
  std::string UF;   // "SP"
  std::string cUF;  // 2-digit IBGE code
  std::string CEP;
  std::string fone;
  std::string fuso;  // the branch's time zone (FILIAL.DSFUSOHORARIO); empty: America/Sao_Paulo
};

// The consumer and the delivery address of the order.
struct Destinatario {
  std::string CPFCNPJ;  // digits only; empty when the receipt carries no tax number
  std::string xNome;
  std::string xLgr, nro, xCpl, xBairro, cMun, xMun, UF, CEP, xRef;
  std::string CDCLIENTE, CDCONSUMIDOR;
};

struct ItemVendido {
  int nItem = 0;  // 1, 2, ... in sale order
  std::string cProd, xProd;
  std::string NCM, CEST, CFOP, uCom;
  std::string orig;  // "0".."8"
  // The ICMS situation the documents declare: the product's situation (PRODUTO.CDSITTRIBICMS)
  // as the branch's regime maps it (SITTRIBREGIME), a CST ("00", "40", "60") or a CSOSN ("102",
  // "500"); empty when the regime has no mapping for it.
  std::string CSTICMS;
  std::string situacaoProduto;  // PRODUTO.CDSITTRIBICMS as the product has it
  double pICMS = 0;             // ICMS rate, percent (CST 00)
  std::string GTIN;             // PRODUTO.CDGTIN, empty when the product has none
  // PIS and COFINS: the product's situation and rates, else its regime's (SITTRIBREGIME).
  std::string CSTPIS;
  double pPIS = 0, pCOFINS = 0;
  double qCom = 0;
  double vUnCom = 0;
  double vProd = 0;  // qCom × vUnCom, two decimals
  double vDesc = 0;
  double vOutro = 0;    // surcharge
  double vTotTrib = 0;  // approximate taxes (federal + state)
};

struct Pagamento {
  std::string CDTIPORECE, NMTIPORECE, IDTIPORECE, CDFPIMPFIS;
  double valor = 0;
  std::string CDNSUHOSTTEF;
};

struct VendaGravada {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA, CDLOJA;
  std::string NRVENDAREST, NRCOMANDA;
  std::string senha;  // the order's short code (CDSENHAPED)
  rtl::TDateTime dtVenda = 0;
  Emitente emitente;
  Destinatario destinatario;
  std::vector<ItemVendido> itens;
  std::vector<Pagamento> pagamentos;
  std::string origem;  // VENDA.IDORIGEMVENDA
  // The intermediary (marketplace) of the order's origin (INTERMEDVENDA); empty: own channel.
  std::string cnpjIntermediador, idCadIntTran;
  double vProd = 0, vDesc = 0, vOutro = 0, vNF = 0;
  double vTribFederal = 0, vTribEstadual = 0;  // approximate taxes of the whole sale
  bool tabelaIbpt = true;  // the branch's state has an IBPT table in force on the sale's date
};

// Reads a recorded sale (its transaction may still be open on `conexao`). Raises
// rtl::EDatabaseError naming the sale when there is none.
VendaGravada LeVendaGravada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRSEQVENDA);

}  // namespace VyrFiscal
