#include "fiscal/taxes/ibpt_import.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "db/db_error.h"
#include "db/joined_transaction.h"
#include "db/statement_kit.h"
#include "rtl/errors.h"
#include "rtl/number_text.h"
#include "rtl/text_codec.h"
#include "rtl/text_compare.h"

namespace VyrFiscal {
namespace {

const char* const kDelTabIbpt = R"mssql(DELETE FROM TABIBPT WHERE SGESTADO = :P_SGESTADO)mssql";
const char* const kInsTabIbpt =
    R"mssql(INSERT INTO TABIBPT (SGESTADO, CDNCMIBPT, CDEXIBPT, IDTIPOIBPT, VRALIQNACFED, VRALIQIMPFED, VRALIQESTIBPT, VRALIQMUNIBPT, DTINIVIGIBPT, DTFIMVIGIBPT, CDCHAVEIBPT, NRVERSAOIBPT, DSFONTEIBPT) VALUES (:P_SGESTADO, :P_CDNCMIBPT, :P_CDEXIBPT, :P_IDTIPOIBPT, :P_VRALIQNACFED, :P_VRALIQIMPFED, :P_VRALIQESTIBPT, :P_VRALIQMUNIBPT, :P_DTINIVIGIBPT, :P_DTFIMVIGIBPT, :P_CDCHAVEIBPT, :P_NRVERSAOIBPT, :P_DSFONTEIBPT))mssql";

const char* const kCabecalho =
    "codigo;ex;tipo;descricao;nacionalfederal;importadosfederal;estadual;municipal;"
    "vigenciainicio;vigenciafim;chave;versao;fonte";
const size_t kColunas = 13;

struct LinhaIbpt {
  int numero = 0;  // line of the file
  std::string codigo, ex, tipo;
  double nacionalfederal = 0, importadosfederal = 0, estadual = 0, municipal = 0;
  rtl::TDateTime vigenciainicio = 0, vigenciafim = 0;
  std::string chave, versao, fonte;
};

std::string Apara(const std::string& texto) {
  const auto inicio = texto.find_first_not_of(" \t");
  if (inicio == std::string::npos) return "";
  return texto.substr(inicio, texto.find_last_not_of(" \t") - inicio + 1);
}

// Splits one line at ';'. A field that starts with a double quote runs to the closing quote
// (descriptions may hold ';', and "" stands for one quote); elsewhere a quote is just a character.
// A trailing empty field (a line ending in ';') is dropped.
std::vector<std::string> Campos(const std::string& linha) {
  std::vector<std::string> campos;
  size_t i = 0;
  while (true) {
    std::string campo;
    while (i < linha.size() && linha[i] == ' ') ++i;
    if (i < linha.size() && linha[i] == '"') {
      for (++i; i < linha.size(); ++i) {
        if (linha[i] != '"') {
          campo += linha[i];
        } else if (i + 1 < linha.size() && linha[i + 1] == '"') {
          campo += linha[++i];
        } else {
          ++i;
          break;
        }
      }
    }
    const size_t fim = std::min(linha.find(';', i), linha.size());
    campo += linha.substr(i, fim - i);
    campos.push_back(Apara(campo));
    if (fim == linha.size()) break;
    i = fim + 1;
  }
  if (campos.size() > 1 && campos.back().empty()) campos.pop_back();
  return campos;
}

std::string Junta(const std::vector<std::string>& campos) {
  std::string texto;
  for (size_t i = 0; i < campos.size(); ++i) texto += (i == 0 ? "" : ";") + campos[i];
  return texto;
}

std::string DataTexto(rtl::TDateTime data) {
  const rtl::DateTimeParts p = rtl::DecodeDateTime(data);
  char texto[16];
  std::snprintf(texto, sizeof texto, "%02d/%02d/%04d", p.day, p.month, p.year);
  return texto;
}

class LeitorIbpt {
 public:
  LeitorIbpt(std::string arquivo, rtl::TDateTime hoje)
      : arquivo_(std::move(arquivo)), hoje_(hoje) {}

  std::vector<LinhaIbpt> Le() {
    std::vector<std::string> linhas = Linhas();
    if (linhas.empty() || rtl::LowerCase(Junta(Campos(linhas[0]))) != kCabecalho) {
      Falha(1, std::string("cabeçalho inesperado; o esperado é ") + kCabecalho);
    }
    std::vector<LinhaIbpt> lidas;
    std::map<std::tuple<std::string, std::string, std::string>, int> vistas;
    for (size_t i = 1; i < linhas.size(); ++i) {
      if (Apara(linhas[i]).empty()) continue;
      LinhaIbpt linha = Interpreta(static_cast<int>(i + 1), linhas[i]);
      const auto [anterior, nova] =
          vistas.emplace(std::make_tuple(linha.codigo, linha.ex, linha.tipo), linha.numero);
      if (!nova) {
        Falha(linha.numero, "código " + linha.codigo + " (ex '" + linha.ex + "', tipo " +
                                linha.tipo + ") repetido da linha " +
                                std::to_string(anterior->second));
      }
      lidas.push_back(std::move(linha));
    }
    if (lidas.empty()) {
      throw rtl::Exception("Tabela IBPT " + arquivo_ + ": o arquivo não tem linhas de dados");
    }
    return lidas;
  }

 private:
  [[noreturn]] void Falha(int numero, const std::string& motivo) const {
    throw rtl::Exception("Tabela IBPT " + arquivo_ + ", linha " + std::to_string(numero) + ": " +
                         motivo);
  }

  // The file's lines as UTF-8, without line ends.
  std::vector<std::string> Linhas() const {
    std::ifstream entrada(arquivo_, std::ios::binary);
    if (!entrada) {
      throw rtl::EInOutError("Tabela IBPT " + arquivo_ + ": o arquivo não pode ser lido");
    }
    std::stringstream conteudo;
    conteudo << entrada.rdbuf();
    std::string texto = conteudo.str();
    if (texto.rfind("\xEF\xBB\xBF", 0) == 0) {
      texto.erase(0, 3);
    } else {
      texto = rtl::Cp1252ToUtf8(texto);
    }
    std::vector<std::string> linhas;
    std::istringstream leitor(texto);
    for (std::string linha; std::getline(leitor, linha);) {
      if (!linha.empty() && linha.back() == '\r') linha.pop_back();
      linhas.push_back(linha);
    }
    return linhas;
  }

  LinhaIbpt Interpreta(int numero, const std::string& texto) const {
    const std::vector<std::string> c = Campos(texto);
    if (c.size() != kColunas) {
      Falha(numero,
            std::to_string(c.size()) + " colunas, o esperado são " + std::to_string(kColunas));
    }
    LinhaIbpt linha;
    linha.numero = numero;
    linha.codigo = Codigo(numero, "codigo", c[0], 10, false);
    linha.ex = Codigo(numero, "ex", c[1], 3, true);
    linha.tipo = Codigo(numero, "tipo", c[2], 1, false);
    // Products carry their NCM as eight digits; the look-up finds it so whatever the file wrote.
    if (linha.tipo == "0")
      linha.codigo.erase(std::remove(linha.codigo.begin(), linha.codigo.end(), '.'),
                         linha.codigo.end());
    linha.nacionalfederal = Aliquota(numero, "nacionalfederal", c[4]);
    linha.importadosfederal = Aliquota(numero, "importadosfederal", c[5]);
    linha.estadual = Aliquota(numero, "estadual", c[6]);
    linha.municipal = Aliquota(numero, "municipal", c[7]);
    linha.vigenciainicio = Data(numero, "vigenciainicio", c[8]);
    linha.vigenciafim = Data(numero, "vigenciafim", c[9]);
    if (linha.vigenciafim < hoje_) {
      Falha(numero, "tabela vencida em " + DataTexto(linha.vigenciafim) +
                        " (vigenciafim); importe a tabela vigente");
    }
    linha.chave = Texto(numero, "chave", c[10], 10);
    linha.versao = Texto(numero, "versao", c[11], 10);
    linha.fonte = Texto(numero, "fonte", c[12], 60);
    return linha;
  }

  std::string Codigo(int numero, const char* coluna, const std::string& valor, size_t largura,
                     bool vazio) const {
    bool valido = (vazio || !valor.empty()) && valor.size() <= largura;
    for (char c : valor)
      valido = valido && (std::isdigit(static_cast<unsigned char>(c)) || c == '.');
    if (!valido) Falha(numero, std::string("código inválido em ") + coluna + ": '" + valor + "'");
    return valor;
  }

  std::string Texto(int numero, const char* coluna, const std::string& valor,
                    size_t largura) const {
    if (valor.size() > largura) {
      Falha(numero, std::string(coluna) + " com mais de " + std::to_string(largura) +
                        " caracteres: '" + valor + "'");
    }
    return valor;
  }

  double Aliquota(int numero, const char* coluna, std::string valor) const {
    for (char& c : valor) c = c == ',' ? '.' : c;
    double aliquota = 0;
    if (!rtl::TryStrToFloat(valor, aliquota) || aliquota < 0 || aliquota > 100) {
      Falha(numero, std::string("valor inválido em ") + coluna + ": '" + valor + "'");
    }
    return aliquota;
  }

  rtl::TDateTime Data(int numero, const char* coluna, const std::string& valor) const {
    int dia = 0, mes = 0, ano = 0;
    char resto = 0;
    if (std::sscanf(valor.c_str(), "%2d/%2d/%4d%c", &dia, &mes, &ano, &resto) == 3) {
      try {
        return rtl::EncodeDate(ano, mes, dia);
      } catch (const rtl::EConvertError&) {
        // Reported below, with the line.
      }
    }
    Falha(numero, std::string("data inválida em ") + coluna + ": '" + valor + "'");
  }

  const std::string arquivo_;
  const rtl::TDateTime hoje_;
};

std::string UfValida(const std::string& UF, const std::string& arquivo) {
  std::string uf = UF.empty() ? UfDoArquivoIbpt(arquivo) : UF;
  for (char& c : uf) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool valida = uf.size() == 2 && std::isalpha(static_cast<unsigned char>(uf[0])) &&
                      std::isalpha(static_cast<unsigned char>(uf[1]));
  if (!valida) {
    throw rtl::Exception("Tabela IBPT " + arquivo + ": estado (UF) '" + UF +
                         "' inválido ou ausente do nome do arquivo (TabelaIBPTaxUF...csv)");
  }
  return uf;
}

ado::Bindings Ligacoes(const std::string& uf, const LinhaIbpt& linha) {
  return {{"P_SGESTADO", uf},
          {"P_CDNCMIBPT", linha.codigo},
          {"P_CDEXIBPT", linha.ex},
          {"P_IDTIPOIBPT", linha.tipo},
          {"P_VRALIQNACFED", linha.nacionalfederal},
          {"P_VRALIQIMPFED", linha.importadosfederal},
          {"P_VRALIQESTIBPT", linha.estadual},
          {"P_VRALIQMUNIBPT", linha.municipal},
          {"P_DTINIVIGIBPT", rtl::Variant::FromDateTime(linha.vigenciainicio)},
          {"P_DTFIMVIGIBPT", rtl::Variant::FromDateTime(linha.vigenciafim)},
          {"P_CDCHAVEIBPT", linha.chave},
          {"P_NRVERSAOIBPT", linha.versao},
          {"P_DSFONTEIBPT", linha.fonte}};
}

void Grava(ado::TADOConnection& conexao, const std::string& uf,
           const std::vector<LinhaIbpt>& linhas) {
  // Declared once for the whole file: every line binds values of the same types.
  ado::TADOCommand acmInsTabIbpt;
  ado::DeclareCommand(acmInsTabIbpt, conexao, kInsTabIbpt,
                      ado::ParamsFor(Ligacoes(uf, linhas.front())), "acmInsTabIbpt");
  ado::JoinedTransaction transacao(conexao);
  ado::RunCommand(conexao, "acmDelTabIbpt", kDelTabIbpt, {{"P_SGESTADO", uf}});
  for (const LinhaIbpt& linha : linhas) ado::Execute(acmInsTabIbpt, Ligacoes(uf, linha));
  transacao.Commit();
}

}  // namespace

std::string UfDoArquivoIbpt(const std::string& arquivo) {
  const auto barra = arquivo.find_last_of("/\\");
  const std::string nome =
      rtl::LowerCase(barra == std::string::npos ? arquivo : arquivo.substr(barra + 1));
  const std::string marca = "ibptax";
  const auto pos = nome.find(marca);
  if (pos == std::string::npos || pos + marca.size() + 2 > nome.size()) return "";
  std::string uf = arquivo.substr(arquivo.size() - nome.size() + pos + marca.size(), 2);
  for (char& c : uf) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return "";
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return uf;
}

int ImportaTabelaIbpt(ado::TADOConnection& conexao, const std::string& arquivo,
                      const std::string& UF, rtl::TDateTime hoje) {
  const std::string uf = UfValida(UF, arquivo);
  const std::vector<LinhaIbpt> linhas = LeitorIbpt(arquivo, hoje == 0 ? rtl::Date() : hoje).Le();
  try {
    Grava(conexao, uf, linhas);
  } catch (const ado::EADOError& erro) {
    if (erro.Interrupted()) throw;
    throw ado::EADOError(
        "Tabela IBPT " + arquivo + " (tabela TABIBPT, UF " + uf + "): " + erro.what(),
        erro.SqlState(), erro.NativeError(), erro.ConnectionLost());
  }
  return static_cast<int>(linhas.size());
}

}  // namespace VyrFiscal
