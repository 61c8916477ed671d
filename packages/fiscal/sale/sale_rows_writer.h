#pragma once
// The rows of a recorded sale in the store's sales tables, written in one place for the sales
// this package records (situation "A") and for those the closing module records as cancelled
// (situation "C"): the header (VENDA), the bill's cancelled items (ITVENDACAN) and the items
// (ITEMVENDA), each item followed by its tax (ITVENDAIMPOS).
//
// The rules are the store's for every sale:
// - lines are numbered "001", "002", ... in the order they are written, each list on its own;
// - a line carries the branch's point-of-sale product group (PARAVEND.CDGRPRODPDV) with the
//   product's subgroup in it under the line's branch or, when that branch has none, under the
//   branch "P" that holds the subgroups shared by every branch; the three group columns are NULL
//   when the branch has no point-of-sale group or the product no subgroup in it;
// - an item has one tax row, "001", from the product's first rate in ALIQIMPFIS: the amount is
//   price x quantity / 100 x rate, evaluated in extended precision and cut to two decimals; a
//   product without a rate gets rate 0 and empty tax codes.
//
// The caller owns the statements and their connection, holds the transaction around the rows
// and reads its own line sources. Shared with the closing module (Pkg_Qam00417), which declares
// its named data-module components with the texts here. Not thread-safe: the statements belong
// to the thread of their connection.

#include <string>

#include "db/command.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/statement_kit.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace VyrFiscal {

// The statements a sale's rows are written with, owned by the caller. The header insert is the
// caller's own (the columns it fills differ); the others are declared by DeclaraLinhasVenda.
struct ComandosVenda {
  ado::TADOCommand& acmInsVenda;
  ado::TADOCommand& acmInsItemVenda;
  ado::TADOCommand& acmInsItVendaImpos;
  ado::TADOCommand& acmInsItVendaCan;
  ado::TADOQuery& adqParaVend;
  ado::TADOQuery& adqOperAber;
  ado::TADOQuery& adqPrSubGrProd;
  ado::TADOQuery& adqAliqImpFis;
};

// Declares every statement of `comandos` but the header insert on `conexao`, with the store's
// texts and parameters; each is named after its member with `sufixo` appended, for messages.
void DeclaraLinhasVenda(const ComandosVenda& comandos, ado::TADOConnection& conexao,
                        const std::string& sufixo = "");

enum class SituacaoVenda {
  Vendida,    // "A"
  Cancelada,  // "C"
};

// The header columns that every recorded sale fills alike.
struct CabecalhoVenda {
  std::string CDFILIAL;
  rtl::Variant CDCLIENTE;
  std::string CDEMPRESA;
  rtl::Variant CDVENDEDOR;
  rtl::TDateTime DTABERTUR = 0;  // when the register's shift opened
  std::string NRCUPOMFIS;
  std::string CDOPERADOR;
  std::string CDLOJA;
  std::string IDORIGEMVENDA;
};

// A sold item as its source gives it.
struct ItemVenda {
  std::string CDFILIAL;
  rtl::Variant CDLOJA;
  std::string CDPRODUTO;
  double QTPRODCOMVEN = 0;
  double VRPRECCOMVEN = 0;
  double VRDESITVEND = 0;
  double VRACRITVEND = 0;
  std::string CDFAMILISALD;
};

// A cancelled item of the bill as its source gives it.
struct ItemCancelado {
  std::string CDFILIAL;
  std::string CDPRODUTO;
  double QTPRODCOMVEN = 0;
  double VRPRECCOMVEN = 0;
  double VRDESCCOMVEN = 0;
};

// The tax of one item: price times quantity, divided by 100, times the rate (a percentage),
// evaluated in extended precision and then cut to two decimal places.
double ValorImpostoItem(double VRPRECCOMVEN, double QTPRODCOMVEN, double VRPEALIMPFIS);

// Writes the rows of one sale, register CDCAIXA, number NRSEQVENDA, in the order its methods are
// called. Every method raises what the database or a binding raises; nothing is retried.
class GravadorVenda {
 public:
  // `comandos` must outlive the instance.
  GravadorVenda(const ComandosVenda& comandos, std::string CDCAIXA, std::string NRSEQVENDA);

  // Reads the point-of-sale product group of the sale's branch for the lines that follow; without
  // this call, or without a PARAVEND row, every line's group columns are NULL.
  void LeGrupoPdv(const std::string& CDFILIAL);
  // The operator of the register's shift opened at DTABERCAIX; "" when there is no such shift.
  std::string OperadorDoTurno(const std::string& CDFILIAL, rtl::TDateTime DTABERCAIX);

  // Inserts the header: the common columns, the situation and the sale's dates (now, and today
  // at time zero), with `demais`, the columns the caller's header insert adds.
  void GravaCabecalho(SituacaoVenda situacao, const CabecalhoVenda& cabecalho,
                      const ado::Bindings& demais);
  // Writes the next cancelled item.
  void GravaCancelado(const ItemCancelado& item);
  // Writes the next item and its tax row.
  void GravaItem(const ItemVenda& item);

 private:
  // The product's subgroup in the point-of-sale group (PRSUBGRPROD), the branch's or the shared
  // one.
  struct Subgrupo {
    bool existe = false;
    std::string CDSUBGRPROD, CDFILISUBGR;
  };
  Subgrupo LeSubgrupo(const std::string& CDFILIAL, const std::string& CDPRODUTO);
  ado::Bindings Grupo(const std::string& colunaFilialSubgrupo, const std::string& CDFILIAL,
                      const std::string& CDPRODUTO);
  void GravaImposto(const ItemVenda& item, const std::string& sequencia);

  const ComandosVenda comandos_;
  const std::string CDCAIXA_;
  const std::string NRSEQVENDA_;
  std::string grupoPdv_;
  int itens_ = 0;
  int cancelados_ = 0;
};

}  // namespace VyrFiscal
