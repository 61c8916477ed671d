// The sales the package refuses before writing anything: what a fiscal document of the sale
// would lack. Each reason names the table and column to fill in, for the support person who
// reads it in the activity log.

#include <iterator>
#include <set>
#include <vector>

#include "db/statement_kit.h"
#include "fiscal/sale/sale_closing.h"
#include "fiscal/sale/sale_statements.h"

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

}  // namespace

std::string MotivoRecusa(ado::TADOConnection& conexao, const Fechamento& f) {
  if (f.vendas.RowCount() == 0) {
    return "A comanda " + f.NRCOMANDA + " da filial " + f.CDFILIAL +
           " não tem itens a vender (ITCOMANDAVEN).";
  }
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
