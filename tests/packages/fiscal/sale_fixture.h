#pragma once
// A real store for the sale routines of the fiscal-device package: the package's own connection
// pointed at a fresh TempStore, a register of branch 0001 with its emitter data and products, and
// a delivery bill with two items, a cancelled item and three payments (cash, card and the
// consumer's account), handed to the routines as the module hands them over.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "fiscal/fiscal_functions.h"
#include "fiscal/fiscal_store.h"
#include "rtl/client_dataset.h"
#include "support/fiscal_builders.h"
#include "support/seams.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace salefixture {

// Each row as its values joined by "|", NULL as "\N", one line per row.
inline std::string Render(const vyrtest::Rows& rows) {
  std::string text;
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) text += (i ? "|" : "") + row[i];
    text += "\n";
  }
  return text;
}

// A packet as a header line of its column names and one line per row.
inline std::string Render(const rtl::DataPacket& packet) {
  vyrtest::Rows rows(1);
  for (const auto& field : packet.Fields()) rows[0].push_back(field.name);
  for (const auto& row : packet.Rows()) {
    rows.emplace_back();
    for (const auto& value : row) rows.back().push_back(value.IsNull() ? "\\N" : value.AsString());
  }
  return Render(rows);
}

class SaleStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VYR_CONEXAO", store_.SqliteConnectionString().c_str(), 1);
    VyrFiscal::ConexaoFiscal().Close();
    vyrtest::RegisterOptions options;
    options.cdgrprodpdv = "10";  // the point-of-sale group; pizzas have a subgroup in it
    vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001", options);
    store_.Exec(
        "INSERT INTO PRSUBGRPROD (CDFILISUBGR, CDGRUPPROD, CDPRODUTO, CDSUBGRPROD) "
        "VALUES ('P', '10', '1001', 'PIZ')");
    store_.Exec(
        "INSERT INTO TURCAIXA (CDFILIAL, CDCAIXA, DTABERCAIX, CDOPERABER) VALUES (?, ?, ?, ?)",
        {"0001", "001", vyrtest::ClockDayText().substr(0, 10) + " 08:00:00", "CAIXA1"});
    vyrtest::InsertFiscalBranch(store_, "0001");
    vyrtest::InsertFiscalProduct(store_, "0001", {});
    vyrtest::FiscalProduct refrigerante;
    refrigerante.cdproduto = "2002";
    refrigerante.nmproduto = "REFRIGERANTE LATA";
    refrigerante.ncm = "22021000";
    refrigerante.aliquota = 12;
    vyrtest::InsertFiscalProduct(store_, "0001", refrigerante);
    bill_.items = {{"001", "1001", 2, 12.5, 1, 0, false},
                   {"002", "1001", 1, 12.5, 0, 0, true},
                   {"003", "2002", 1, 6, 0, 0.5, false}};
  }
  void TearDown() override {
    VyrFiscal::ConexaoFiscal().Close();
    unsetenv("VYR_CONEXAO");
  }

  // BuscaVenda's two packets for the bill, as the closing asks for them.
  rtl::Variant Search(const std::string& nrcomanda) {
    rtl::Variant retorno = rtl::Variant::Array(10);
    VyrFiscal::BuscaVenda(rtl::Variant(std::vector<rtl::Variant>{"0001", nrcomanda}), retorno);
    return retorno;
  }

  // Records the bill as the closing does: the sale rows and cancelled items from BuscaVenda,
  // the payments as cash movements, the register's 48 values. Answers SetConcluiFechamento.
  std::string Record(rtl::Variant& retorno) {
    retorno = rtl::Variant::Array(10);
    return WithClosingLists([&](const std::vector<rtl::TClientDataSet*>& tables) {
      return VyrFiscal::SetConcluiFechamento(tables, vyrtest::ClosingValues(bill_, register_),
                                             retorno)
          .AsString();
    });
  }
  // The question the closing asks before it draws the sale's number: VerificaFechamento's answer.
  std::string Check() {
    return WithClosingLists([&](const std::vector<rtl::TClientDataSet*>& tables) {
      return VyrFiscal::VerificaFechamento(tables, vyrtest::ClosingValues(bill_, register_));
    });
  }
  // Calls `call` with the closing's tables as the closing fills them.
  template <class Call>
  std::string WithClosingLists(Call call) {
    const rtl::Variant found = Search(bill_.nrcomanda);
    rtl::TClientDataSet vendas, movimentos, cancelados, vazio;
    vendas.SetData(found[0]);
    cancelados.SetData(found[1]);
    // The receipt's tax number, as the closing's CPF/CNPJ rule writes it.
    for (vendas.First(); !receipt_tax_number_.empty() && !vendas.Eof(); vendas.Next()) {
      vendas.Edit();
      vendas.FieldByName("NRINSCRCONS").SetAsString(receipt_tax_number_);
      vendas.Post();
    }
    vyrtest::FillMovements(movimentos, bill_, payments_, rtl::Now(), rtl::Date());
    return call(std::vector<rtl::TClientDataSet*>{&vendas, &movimentos, &cancelados, &vazio, &vazio,
                                                  &vazio, &vazio, &vazio, &vazio, &vazio, &vazio,
                                                  &vazio});
  }
  std::string Record() {
    rtl::Variant retorno;
    return Record(retorno);
  }

  // Rows of the sale tables, to show that nothing was written.
  std::string Counts() {
    std::string text;
    for (const char* table :
         {"VENDA", "ITEMVENDA", "ITVENDAIMPOS", "ITVENDACAN", "MOVCAIXA", "MOVEXTCONS"}) {
      text += std::string(table) + "=" + std::to_string(store_.Count(table)) + " ";
    }
    return text;
  }

  // The document state of each sale: its marker (\N when none) and whether it carries a
  // time, the sales in their numbers' order joined by ";".
  std::string PendingDocument() {
    std::string text;
    for (const auto& row : store_.Query(
             "SELECT IDDOCPENDVENDA, DTDOCPENDVENDA IS NOT NULL FROM VENDA ORDER BY NRSEQVENDA")) {
      text += (text.empty() ? "" : ";") + row[0] + " " + row[1];
    }
    return text;
  }

  // The sales of these tests are made on one fixed evening, whatever the real date.
  vyrtest::ScopedClock clock_{rtl::EncodeDateTime({2026, 3, 10, 19, 42, 5, 0})};
  vyrtest::TempStore store_;
  vyrtest::DeliveryBill bill_;
  std::vector<vyrtest::BillPayment> payments_ = {{"001", "DINHEIRO", "1", "E", 10, ""},
                                                 {"002", "CARTAO", "2", "E", 15.5, "NSU123"},
                                                 {"009", "CONTA CONSUMIDOR", "9", "E", 5, ""}};
  vyrtest::ClosingRegister register_;
  std::string receipt_tax_number_;  // "": the sale rows keep NRINSCRCONS " "
};

}  // namespace salefixture
