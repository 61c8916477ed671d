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
};

// The consumer and the delivery address of the order.
struct Destinatario {
  std::string CPFCNPJ;  // digits only; empty when the receipt carries no tax number
  std::string xNome;
  std::string xLgr, xCpl, xBairro, cMun, UF, CEP, xRef;
  std::string CDCLIENTE, CDCONSUMIDOR;
};

struct ItemVendido {
  int nItem = 0;  // 1, 2, ... in sale order
  std::string cProd, xProd;
  std::string NCM, CEST, CFOP, uCom;
  std::string orig;     // "0".."8"
  std::string CSTICMS;  // CST ("00", "40", "60") or CSOSN ("102", "500")
  double pICMS = 0;     // ICMS rate, percent (CST 00)
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
  double vProd = 0, vDesc = 0, vOutro = 0, vNF = 0;
  double vTribFederal = 0, vTribEstadual = 0;  // approximate taxes of the whole sale
};

// Reads a recorded sale (its transaction may still be open on `conexao`). Raises
// rtl::EDatabaseError naming the sale when there is none.
VendaGravada LeVendaGravada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRSEQVENDA);

}  // namespace VyrFiscal
