// The sales the package refuses before writing anything: what a fiscal document of the sale
// would lack. Each reason names the table and column to fill in, for the support person who
// reads it in the activity log.

#include <cmath>
#include <iterator>
#include <set>
#include <vector>

#include "db/statement_kit.h"
#include "fiscal/sale/sale_closing.h"
#include "fiscal/sale/sale_statements.h"
#include "rtl/errors.h"

namespace VyrFiscal::Venda {
namespace {

const char* const kSelFilial =
    R"mssql(SELECT NRINSJURFILI, NMRAZSOCFILI, NRINSESTFILI, SGESTADO, CDMUNIBGE, CDUFIBGE FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL))mssql";

const char* const kSelProduto =
    R"mssql(SELECT NMPRODUTO, NRNCM FROM PRODUTO WHERE (CDPRODUTO = :P_CDPRODUTO))mssql";

struct Exigida {
  const char* coluna;
  const char* descricao;
};

// Every register needs the branch's tax number; a register that issues NFC-e or CF-e also
// needs what the document's emitter carries.
const Exigida kSempre[] = {{"NRINSJURFILI", "CNPJ"}};
const Exigida kDocumentoEletronico[] = {{"NMRAZSOCFILI", "razão social"},
                                        {"NRINSESTFILI", "inscrição estadual"},
                                        {"SGESTADO", "UF"},
                                        {"CDMUNIBGE", "código IBGE do município"},
                                        {"CDUFIBGE", "código IBGE da UF"}};

bool EmiteDocumento(const Fechamento& f) {
  return f.idTipoEmissao == "N" || f.idTipoEmissao == "S";
}

bool Vazio(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

std::string FaltaNaFilial(ado::TADOConnection& conexao, const Fechamento& f) {
  ado::TADOQuery adqFilial;
  ado::DeclareQuery(adqFilial, conexao, kSelFilial, {ado::TextParam("P_CDFILIAL")},
                    "adqFilialFiscal");
  ado::OpenQuery(adqFilial, {{"P_CDFILIAL", f.CDFILIAL}});
  const std::string filial = "A filial " + f.CDFILIAL;
  if (adqFilial.IsEmpty()) return filial + " não está cadastrada na tabela FILIAL.";
  std::vector<Exigida> exigidas(std::begin(kSempre), std::end(kSempre));
  if (EmiteDocumento(f)) {
    exigidas.insert(exigidas.end(), std::begin(kDocumentoEletronico),
                    std::end(kDocumentoEletronico));
  }
  for (const Exigida& exigida : exigidas) {
    if (Vazio(adqFilial.FieldByName(exigida.coluna).AsString())) {
      return filial + " está sem " + exigida.descricao + ": preencha FILIAL." + exigida.coluna +
             ".";
    }
  }
  return "";
}

std::string FaltaNoProduto(ado::TADOQuery& adqProduto, const std::string& CDPRODUTO) {
  ado::OpenQuery(adqProduto, {{"P_CDPRODUTO", CDPRODUTO}});
  if (adqProduto.IsEmpty()) {
    return "O produto " + CDPRODUTO + " não está cadastrado na tabela PRODUTO.";
  }
  if (Vazio(adqProduto.FieldByName("NRNCM").AsString())) {
    return "O produto " + CDPRODUTO + " (" + adqProduto.FieldByName("NMPRODUTO").AsString() +
           ") está sem NCM: preencha PRODUTO.NRNCM.";
  }
  return "";
}

// The official field sizes: qCom and vUnCom have at most 11 integer digits, vProd, vDesc,
// vOutro and the note's totals at most 13.
constexpr double kLimiteQuantidade = 1e11;
constexpr double kLimiteValor = 1e13;

struct RegraNumero {
  const char* coluna;
  bool obrigatoria;     // discount and surcharge may be absent (none)
  bool zero_permitido;  // a courtesy item is priced 0; a quantity is never 0
  double limite;
};

// Quantity first and price second: their product is the item's amount.
const RegraNumero kRegrasItem[] = {{"QTPRODCOMVEN", true, false, kLimiteQuantidade},
                                   {"VRPRECCOMVEN", true, true, kLimiteQuantidade},
                                   {"VRDESITVEND", false, true, kLimiteValor},
                                   {"VRACRITVEND", false, true, kLimiteValor}};

// What is wrong with one number of an item, "" when nothing; `valor` gets the number read.
std::string ProblemaNoNumero(const LinhaPacote& item, const RegraNumero& regra, double& valor) {
  valor = 0;
  const rtl::Variant bruto = item.Valor(regra.coluna);
  if (bruto.IsEmptyOrNull()) return regra.obrigatoria ? "está vazio (NULL)" : "";
  try {
    valor = bruto.AsFloat();
  } catch (const rtl::Exception& e) {
    if (rtl::IsProgrammingError(e)) throw;
    return "não é um número: '" + bruto.AsString() + "'";
  }
  if (!std::isfinite(valor)) return "não é um número finito";
  if (valor < 0 || (valor == 0 && !regra.zero_permitido)) {
    return std::string("é ") + (valor < 0 ? "negativo" : "zero") + " (" + bruto.AsString() + ")";
  }
  if (valor >= regra.limite) {
    return "excede o tamanho do campo do documento fiscal (" + bruto.AsString() + ")";
  }
  return "";
}

// A price, quantity or amount the document could not carry, refused before anything is written
// rather than by the device after the sale is recorded.
std::string FaltaNosValores(const Fechamento& f) {
  double total = 0;
  for (size_t row = 0; row < f.vendas.RowCount(); ++row) {
    const LinhaPacote item(f.vendas, row);
    const std::string numero = item.Texto("NRPRODCOMVEN");
    const std::string onde = "A comanda " + f.NRCOMANDA + ", item " +
                             (numero.empty() ? std::to_string(row + 1) : numero) + " (produto " +
                             item.Texto("CDPRODUTO") + "): ";
    double valores[std::size(kRegrasItem)] = {};
    for (size_t regra = 0; regra < std::size(kRegrasItem); ++regra) {
      const std::string problema = ProblemaNoNumero(item, kRegrasItem[regra], valores[regra]);
      if (!problema.empty()) return onde + kRegrasItem[regra].coluna + " " + problema + ".";
    }
    const double valor_item = valores[0] * valores[1];
    if (valor_item >= kLimiteValor) {
      return onde + "QTPRODCOMVEN x VRPRECCOMVEN excede o tamanho do campo do documento fiscal.";
    }
    total += valor_item;
    if (total >= kLimiteValor) {
      return onde + "o total da comanda excede o tamanho do campo do documento fiscal.";
    }
  }
  return "";
}

}  // namespace

std::string MotivoRecusa(ado::TADOConnection& conexao, const Fechamento& f) {
  if (f.vendas.RowCount() == 0) {
    return "A comanda " + f.NRCOMANDA + " da filial " + f.CDFILIAL +
           " não tem itens a vender (ITCOMANDAVEN).";
  }
  const std::string valores = FaltaNosValores(f);
  if (!valores.empty()) return valores;
  const std::string filial = FaltaNaFilial(conexao, f);
  if (!filial.empty()) return filial;

  ado::TADOQuery adqProduto;
  ado::DeclareQuery(adqProduto, conexao, kSelProduto, {ado::TextParam("P_CDPRODUTO")},
                    "adqProdutoFiscal");
  std::set<std::string> vistos;
  for (size_t row = 0; row < f.vendas.RowCount(); ++row) {
    const std::string produto = LinhaPacote(f.vendas, row).Texto("CDPRODUTO");
    if (!vistos.insert(produto).second) continue;
    const std::string falta = FaltaNoProduto(adqProduto, produto);
    if (!falta.empty()) return falta;
  }
  return "";
}

}  // namespace VyrFiscal::Venda
