#pragma once
// Builders of what the fiscal-device package works on, for tests: a branch with its emitter data,
// products with their fiscal columns and tax rate, a register's fiscal settings, a delivery bill
// with its order, consumer and items, its payments, and the closing's tables and 48 values as the
// module hands them over. They insert through TempStore (raw sqlite3) and throw
// std::runtime_error when the database refuses a row.

#include <string>
#include <vector>

#include "rtl/client_dataset.h"
#include "rtl/variant.h"
#include "support/temp_store.h"

namespace vyrtest {

// The emitter data of a branch (FILIAL). An empty text is stored as NULL.
struct FiscalBranch {
  std::string cnpj = "11222333000181";  // NRINSJURFILI
  std::string razao = "PIZZARIA EXEMPLO LTDA";
  std::string fantasia = "PIZZARIA EXEMPLO";
  std::string ie = "111222333444";  // NRINSESTFILI
  std::string regime = "3";         // IDREGTRIBFILI
  std::string logradouro = "RUA DAS FLORES", numero = "100", complemento = "";
  std::string bairro = "CENTRO";
  std::string municipio_ibge = "3550308", municipio = "SAO PAULO";
  std::string uf = "SP", uf_ibge = "35";
  std::string cep = "01001000", telefone = "1133334444";
};

// Fills the emitter columns of the branch's FILIAL row, inserting the row when it is missing
// and keeping its other columns (CDEMPRESA).
void InsertFiscalBranch(const TempStore& store, const std::string& cdfilial,
                        const FiscalBranch& branch = {});

// A product with its fiscal columns (PRODUTO) and, when `aliquota` is set, its tax rate for the
// branch (ALIQIMPFIS, IMPOSTO "ICMS" with internal code "ICMS").
struct FiscalProduct {
  std::string cdproduto = "1001";
  std::string nmproduto = "PIZZA MUSSARELA";
  std::string ncm = "19059090";  // "" is stored as NULL: a product without NCM
  std::string cfop = "5102";
  std::string unidade = "UN";
  std::string origem = "0";
  std::string cst = "00";
  std::string cdaliqimpfis = "01";
  double aliquota = 18;  // percent; 0: no ALIQIMPFIS row
};
void InsertFiscalProduct(const TempStore& store, const std::string& cdfilial,
                         const FiscalProduct& product);

// The register's fiscal settings (CAIXAFISCAL); an empty series is stored as NULL.
void InsertRegisterFiscalSettings(const TempStore& store, const std::string& cdfilial,
                                  const std::string& cdcaixa, const std::string& nrserienfce);

// One item of a delivery bill (ITCOMANDAVEN).
struct BillItem {
  std::string nrprodcomven = "001";
  std::string cdproduto = "1001";
  double quantity = 1;
  double price = 10;
  double discount = 0;
  double surcharge = 0;
  bool cancelled = false;  // IDSTPROCOMVEN "C"
};

// A delivery bill as the exporting program leaves it, waiting for automatic closing: its client
// (CLIENTE) and consumer (CONSUMIDOR), order (VENDAREST), bill (COMANDAVEN with the delivery
// address) and items (ITCOMANDAVEN).
struct DeliveryBill {
  std::string cdfilial = "0001";
  std::string cdloja = "01";
  std::string nrvendarest = "0000000001";
  std::string nrcomanda = "0001";
  std::string dscomanda = "DLV_0001";
  std::string nrcomandaext = "A1B2C3D4";  // the order's code; its first 6 characters are printed
  std::string cdcliente = "CLI1";
  std::string cdconsumidor = "CONS1";
  std::string nmconsumidor = "MARIA DA SILVA";
  std::string cdfamilisald = "F01";
  std::string cdoperador = "OPER1";  // VENDAREST.CDOPERADOR
  std::string cdmunicipio = "3550308", cdpais = "1058", sgestado = "SP", cdbairro = "B01";
  std::string dsbairro = "JARDINS";
  std::string endereco = "AV PAULISTA 1000", complemento = "AP 12", cep = "01310100";
  std::string referencia = "PERTO DO METRO";
  std::string idretballoja = "N";
  std::vector<BillItem> items = {BillItem{}};
};
void InsertDeliveryBill(const TempStore& store, const DeliveryBill& bill);

// A payment of the bill, as the closing turns it into a cash movement.
struct BillPayment {
  std::string cdtiporece = "001";
  std::string nmtiporece = "DINHEIRO";
  std::string idtiporece = "1";  // "9": on the consumer's account
  std::string idtipomovive = "E";
  double value = 10;
  std::string cdnsu = "";       // CDNSUHOSTTEF
  std::string cdfpimpfis = "";  // the type's fiscal code; "" gives "01", "05" on the account
};

// The bill's payments as the exporting program leaves them (MOVCAIXADLV, numbered from "1").
void InsertDeliveryPayments(const TempStore& store, const DeliveryBill& bill,
                            const std::vector<BillPayment>& payments);

// The closing's cash-movement table (the module's cdsMovCaixa layout) with one movement per
// payment, entered at `when` on movement date `date`.
void FillMovements(rtl::TClientDataSet& table, const DeliveryBill& bill,
                   const std::vector<BillPayment>& payments, rtl::TDateTime when,
                   rtl::TDateTime date);

// The register's side of the closing's 48 values.
struct ClosingRegister {
  std::string cdcaixa = "001";
  std::string cdempresa = "0001";
  rtl::TDateTime dt_abertura = 0;     // dtAberturaCaixa; 0: today at 08:00
  std::string id_tipo_emissao = "E";  // "N" NFC-e, "S" SAT, "E" neither
  std::string nr_nfce, nr_serie_nfce, dt_emiss_nfce, id_amb_trab_nfce;
  double vr_total_trib = 0;
  std::string id_origem_venda = "DLV";
};

// The closing's values for `bill` on `reg`, packed as the closing packs them.
rtl::Variant ClosingValues(const DeliveryBill& bill, const ClosingRegister& reg = {});

}  // namespace vyrtest
