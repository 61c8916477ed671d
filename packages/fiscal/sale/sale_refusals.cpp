// The sales the package refuses before writing anything: what a fiscal document of the sale
// would lack. Each reason names the table and column to fill in, for the support person who
// reads it in the activity log.

#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "db/statement_kit.h"
#include "fiscal/kept_settings.h"
#include "fiscal/sale/closed_bill.h"
#include "fiscal/sale/sale_statements.h"
#include "fiscal/sale/tax_situation.h"
#include "rtl/errors.h"
#include "vyrutil/access_key.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Venda {
namespace {

const char* const kSelFilial =
    R"mssql(SELECT NRINSJURFILI, NMRAZSOCFILI, NRINSESTFILI, IDREGTRIBFILI, SGESTADO, CDMUNIBGE, CDUFIBGE FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL))mssql";

const char* const kSelProduto =
    R"mssql(SELECT PR.NMPRODUTO, PR.NRNCM, PR.CDCEST, PR.CDGTIN, PR.CDSITTRIBICMS, PR.CDSITTRIBPIS, SR.CDSITTRIBDOC, SR.IDEXIGECEST, SR.CDSITTRIBPIS AS CDSITTRIBPISREG FROM PRODUTO PR LEFT JOIN SITTRIBREGIME SR ON (SR.IDREGTRIBFILI = :P_IDREGTRIBFILI) AND (SR.CDSITTRIBICMS = PR.CDSITTRIBICMS) WHERE (PR.CDPRODUTO = :P_CDPRODUTO))mssql";

struct Exigida {
  const char* coluna;
  const char* descricao;
};

// Every register needs the branch's tax number; a register that issues NFC-e or CF-e also
// needs what the document's emitter carries.
const Exigida kSempre[] = {{"NRINSJURFILI", "CNPJ"}};
const Exigida kDocumentoEletronico[] = {
    {"NMRAZSOCFILI", "razão social"},          {"NRINSESTFILI", "inscrição estadual"},
    {"IDREGTRIBFILI", "regime tributário"},    {"SGESTADO", "UF"},
    {"CDMUNIBGE", "código IBGE do município"}, {"CDUFIBGE", "código IBGE da UF"}};

bool EmiteDocumento(const Fechamento& f) {
  return f.idTipoEmissao == "N" || f.idTipoEmissao == "S";
}

bool Vazio(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

// The branch's columns by name; empty when the branch has no row.
using LinhaFilial = std::map<std::string, std::string>;

const char* const kColunasFilial[] = {"NRINSJURFILI",  "NMRAZSOCFILI", "NRINSESTFILI",
                                      "IDREGTRIBFILI", "SGESTADO",     "CDMUNIBGE",
                                      "CDUFIBGE"};

// Kept (fiscal/kept_settings.h): every sale of the branch asks the same; a refusal forgets it, so
// the branch mended after one is read again.
LinhaFilial LeFilial(ado::TADOConnection& conexao, const std::string& CDFILIAL) {
  static Guardadas<LinhaFilial> guardadas;
  return guardadas.Busca(CDFILIAL, [&] {
    LinhaFilial linha;
    ado::ReadFirstRow(conexao, "adqFilialFiscal", kSelFilial, {ado::TextParam("P_CDFILIAL")},
                      {{"P_CDFILIAL", CDFILIAL}}, [&linha](ado::TADOQuery& query) {
                        for (const char* coluna : kColunasFilial) {
                          linha[coluna] = query.FieldByName(coluna).AsString();
                        }
                      });
    return linha;
  });
}

std::string FaltaNaFilial(ado::TADOConnection& conexao, const Fechamento& f, std::string& regime) {
  const LinhaFilial linha = LeFilial(conexao, f.CDFILIAL);
  const std::string filial = "A filial " + f.CDFILIAL;
  if (linha.empty()) return filial + " não está cadastrada na tabela FILIAL.";
  regime = linha.at("IDREGTRIBFILI");
  std::vector<Exigida> exigidas(std::begin(kSempre), std::end(kSempre));
  if (EmiteDocumento(f)) {
    exigidas.insert(exigidas.end(), std::begin(kDocumentoEletronico),
                    std::end(kDocumentoEletronico));
  }
  for (const Exigida& exigida : exigidas) {
    if (Vazio(linha.at(exigida.coluna))) {
      return filial + " está sem " + exigida.descricao + ": preencha FILIAL." + exigida.coluna +
             ".";
    }
  }
  return "";
}

// Eight digits, written with or without the dots of the official table ("1905.90.90"). Both
// documents declare it as its digits; a letter or a digit too many or too few is refused for
// both alike, so the kind of document never decides whether a bad product is sold.
bool NcmValido(const std::string& ncm) {
  std::string digitos;
  for (const char c : ncm) {
    if (c >= '0' && c <= '9') {
      digitos += c;
    } else if (c != '.' && c != ' ') {
      return false;
    }
  }
  return digitos.size() == 8;
}

// The product's columns the refusals look at, by name; empty when there is no such product.
using LinhaProduto = std::map<std::string, std::string>;

const char* const kColunasProduto[] = {"NMPRODUTO",    "NRNCM",         "CDCEST",
                                       "CDGTIN",       "CDSITTRIBICMS", "CDSITTRIBPIS",
                                       "CDSITTRIBDOC", "IDEXIGECEST",   "CDSITTRIBPISREG"};

// Kept by product and regime (fiscal/kept_settings.h): every sale of the product asks the same;
// a refusal forgets it, so the product mended after one is read again.
LinhaProduto LeProduto(ado::TADOConnection& conexao, const std::string& CDPRODUTO,
                       const std::string& regime) {
  static Guardadas<LinhaProduto> guardadas;
  return guardadas.Busca(CDPRODUTO + "|" + regime, [&] {
    LinhaProduto linha;
    ado::ReadFirstRow(conexao, "adqProdutoFiscal", kSelProduto,
                      ado::TextParams({"P_CDPRODUTO", "P_IDREGTRIBFILI"}),
                      {{"P_CDPRODUTO", CDPRODUTO}, {"P_IDREGTRIBFILI", regime}},
                      [&linha](ado::TADOQuery& query) {
                        for (const char* coluna : kColunasProduto) {
                          linha[coluna] = query.FieldByName(coluna).AsString();
                        }
                      });
    return linha;
  });
}

// What the product lacks for the sale; with a document, also for what the document declares of
// it under the branch's regime.
std::string FaltaNoProduto(ado::TADOConnection& conexao, const std::string& CDPRODUTO,
                           const std::string& regime, bool documento) {
  const LinhaProduto linha = LeProduto(conexao, CDPRODUTO, regime);
  if (linha.empty()) {
    return "O produto " + CDPRODUTO + " não está cadastrado na tabela PRODUTO.";
  }
  auto Coluna = [&linha](const char* coluna) { return linha.at(coluna); };
  const std::string produto = "O produto " + CDPRODUTO + " (" + Coluna("NMPRODUTO") + ")";
  const std::string ncm = Coluna("NRNCM");
  if (Vazio(ncm)) return produto + " está sem NCM: preencha PRODUTO.NRNCM.";
  if (!documento) return "";
  if (!NcmValido(ncm)) {
    return produto + " tem o NCM '" + ncm +
           "' inválido (PRODUTO.NRNCM): o NCM tem 8 dígitos, com ou sem pontos.";
  }
  const std::string situacao = Coluna("CDSITTRIBICMS");
  const std::string declarada = Coluna("CDSITTRIBDOC");
  if (!SituacaoIcmsDeclaravel(regime, declarada)) {
    return produto + " tem a situação tributária '" + situacao +
           "' (PRODUTO.CDSITTRIBICMS), sem grupo de ICMS válido para o regime '" + regime +
           "' da filial: corrija-a ou o seu grupo na tabela SITTRIBREGIME.";
  }
  if (Coluna("IDEXIGECEST") == "S" && VyrUtil::SoDigitos(Coluna("CDCEST")).size() != 7) {
    return produto + " está sem CEST, que a situação tributária '" + situacao +
           "' exige: preencha PRODUTO.CDCEST (7 dígitos).";
  }
  const std::string gtin = Coluna("CDGTIN");
  if (!Vazio(gtin) && !VyrUtil::GtinValido(VyrUtil::SoDigitos(gtin))) {
    return produto + " tem o GTIN '" + gtin +
           "' inválido (PRODUTO.CDGTIN): corrija-o ou deixe-o vazio.";
  }
  const std::string pis = Coluna("CDSITTRIBPIS");
  if (!Vazio(pis) ? !SituacaoPisDeclaravel(pis)
                  : !SituacaoPisDeclaravel(Coluna("CDSITTRIBPISREG"))) {
    return produto + " tem a situação de PIS/COFINS '" + pis +
           "' (PRODUTO.CDSITTRIBPIS, ou SITTRIBREGIME.CDSITTRIBPIS quando vazia), que os "
           "documentos não declaram.";
  }
  return "";
}

// A payment whose type has no payment code of the documents (tPag, cMP).
std::string FaltaNosPagamentos(const Fechamento& f) {
  for (size_t row = 0; row < f.movimentos.RowCount(); ++row) {
    const LinhaPacote movimento(f.movimentos, row);
    if (!CodigoPagamento(movimento.Texto("CDFPIMPFIS")).empty()) continue;
    return "O tipo de recebimento " + movimento.Texto("CDTIPORECE") + " (" +
           movimento.Texto("NMTIPORECE") + ") está sem código fiscal de pagamento válido ('" +
           movimento.Texto("CDFPIMPFIS") +
           "'): preencha CDFPIMPFIS no layout de recebimentos do caixa (ConfTipoRece).";
  }
  return "";
}

// The official field sizes: qCom and vUnCom have at most 11 integer digits, vProd, vDesc,
// vOutro and the note's totals at most 13.
constexpr double kLimiteQuantidade = 1e11;
constexpr double kLimiteValor = 1e13;

// The documents carry qCom with 4 decimals and amounts with 2: a value below half of the last
// place is written as zero.
constexpr double kMenorQuantidade = 0.00005;
constexpr double kMenorValor = 0.005;

struct RegraNumero {
  const char* coluna;
  bool obrigatoria;     // discount and surcharge may be absent (none)
  bool zero_permitido;  // a courtesy item is priced 0; a quantity is never 0
  double limite;
  // The least value that is not written as zero; 0 where a value that vanishes is harmless (a
  // discount of a fraction of a cent, left by the arithmetic of the exporting program).
  double menor;
};

// Quantity first and price second: their product is the item's amount.
const RegraNumero kRegrasItem[] = {
    {"QTPRODCOMVEN", true, false, kLimiteQuantidade, kMenorQuantidade},
    {"VRPRECCOMVEN", true, true, kLimiteQuantidade, kMenorValor},
    {"VRDESITVEND", false, true, kLimiteValor, 0},
    {"VRACRITVEND", false, true, kLimiteValor, 0}};

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
  // Exactly zero is a courtesy (the price); a value that the document would write as zero is
  // not a value anybody meant.
  if (valor > 0 && valor < regra.menor) {
    return "arredonda para zero no documento fiscal sem ser zero (" + bruto.AsString() + ")";
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
    if (valor_item > 0 && valor_item < kMenorValor) {
      return onde + "QTPRODCOMVEN x VRPRECCOMVEN arredonda para R$ 0,00 sem o preço ser zero.";
    }
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
  std::string regime;
  const std::string filial = FaltaNaFilial(conexao, f, regime);
  if (!filial.empty()) return filial;
  const bool documento = EmiteDocumento(f);
  if (documento) {
    const std::string pagamentos = FaltaNosPagamentos(f);
    if (!pagamentos.empty()) return pagamentos;
  }

  std::set<std::string> vistos;
  for (size_t row = 0; row < f.vendas.RowCount(); ++row) {
    const std::string produto = LinhaPacote(f.vendas, row).Texto("CDPRODUTO");
    if (!vistos.insert(produto).second) continue;
    const std::string falta = FaltaNoProduto(conexao, produto, regime, documento);
    if (!falta.empty()) return falta;
  }
  return "";
}

}  // namespace VyrFiscal::Venda
