#include "support/store_builders.h"

namespace vyrtest {
namespace {

// Empty texts of optional settings stand for "not set".
SqlArg TextOrNull(const std::string& text) {
  if (text.empty()) return nullptr;
  return text;
}

void InsertPrinter(const TempStore& store, const std::string& cdfilial, const std::string& cdloja,
                   const std::string& cdcaixa, const RegisterOptions& options) {
  const std::string cdimpressora = "MOD" + options.printer_model;
  store.Exec("INSERT OR REPLACE INTO IMPRESSORA (CDIMPRESSORA, IDMODEIMPRES) VALUES (?, ?)",
             {cdimpressora, options.printer_model});
  store.Exec(
      "INSERT OR REPLACE INTO IMPRLOJA (CDFILIAL, CDLOJA, NRSEQIMPRLOJA, CDIMPRESSORA, "
      "CDPORTAIMPR) VALUES (?, ?, ?, ?, ?)",
      {cdfilial, cdloja, cdcaixa, cdimpressora, options.printer_port});
}

}  // namespace

void InsertBranchStoreRegister(const TempStore& store, const std::string& cdfilial,
                               const std::string& cdloja, const std::string& cdcaixa,
                               const RegisterOptions& options) {
  store.Exec("INSERT OR REPLACE INTO FILIAL (CDFILIAL, CDEMPRESA) VALUES (?, ?)",
             {cdfilial, options.cdempresa});
  store.Exec("INSERT OR REPLACE INTO LOJA (CDFILIAL, CDLOJA, IDIMPCNPJCLIE) VALUES (?, ?, ?)",
             {cdfilial, cdloja, options.idimpcnpjclie});
  store.Exec(
      "INSERT OR REPLACE INTO PARAVEND (CDFILIAL, IDAMBTRABNFCE, IDEXTCONSONLINE, CDGRPRODPDV) "
      "VALUES (?, ?, ?, ?)",
      {cdfilial, options.idambtrabnfce, options.idextconsonline, TextOrNull(options.cdgrprodpdv)});
  const bool has_printer = !options.printer_model.empty();
  store.Exec(
      "INSERT OR REPLACE INTO CAIXA (CDFILIAL, CDCAIXA, CDLOJA, IDTPEMISSAOVYR, IDIMPAUTCUPEXP, "
      "NRSEQIMPRLOJA6) VALUES (?, ?, ?, ?, ?, ?)",
      {cdfilial, cdcaixa, cdloja, TextOrNull(options.idtpemissaovyr),
       TextOrNull(options.idimpautcupexp), has_printer ? SqlArg(cdcaixa) : SqlArg(nullptr)});
  if (has_printer) InsertPrinter(store, cdfilial, cdloja, cdcaixa, options);
}

void InsertPendingOrder(const TempStore& store, const PendingOrder& order) {
  const std::string dscomanda =
      order.dscomanda.empty() ? "DLV_" + order.nrcomanda : order.dscomanda;
  store.Exec(
      "INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA, DTHRABERMESA, CDCLIENTE, "
      "CDCONSUMIDOR) VALUES (?, ?, ?, ?, ?, ?)",
      {order.cdfilial, order.nrvendarest, order.cdloja, NowText(), TextOrNull(order.cdcliente),
       TextOrNull(order.cdconsumidor)});
  store.Exec(
      "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, IDSTCOMANDA, "
      "IDIMPCUPEXP, IDRETBALLOJA) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
      {order.cdfilial, order.nrvendarest, order.nrcomanda, order.cdloja, dscomanda,
       order.idstcomanda, order.idimpcupexp, order.idretballoja});
  for (const OrderItem& item : order.items) {
    store.Exec(
        "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
        "QTPRODCOMVEN, VRPRECCOMVEN, NRPEDIDOVYR) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
        {order.cdfilial, order.nrvendarest, order.nrcomanda, item.nrprodcomven, item.cdproduto,
         item.quantity, item.price,
         item.nrpedidovyr.empty() ? order.nrpedidovyr : item.nrpedidovyr});
  }
}

void InsertSale(const TempStore& store, const std::string& cdfilial, const std::string& cdcaixa,
                const std::string& nrseqvenda, const std::string& cdloja,
                const std::string& nrvendarest, const std::string& dtentrvenda) {
  store.Exec(
      "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDLOJA, NRVENDAREST, DTVENDA, "
      "DTENTRVENDA, IDSITUVENDA) VALUES (?, ?, ?, ?, ?, ?, ?, 'A')",
      {cdfilial, cdcaixa, nrseqvenda, cdloja, nrvendarest, dtentrvenda, dtentrvenda});
}

}  // namespace vyrtest
