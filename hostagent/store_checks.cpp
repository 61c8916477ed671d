#include "hostagent/store_checks.h"

#include <filesystem>
#include <map>
#include <set>

#include "db/statement_kit.h"
#include "rtl/client_dataset.h"
#include "vyrutil/local_time.h"

namespace hostagent {
namespace {

const char* const kSelSemSituacao =
    R"mssql(SELECT PR.CDPRODUTO, PR.NMPRODUTO, PR.CDSITTRIBICMS FROM PRODUTO PR LEFT JOIN SITTRIBREGIME SR ON SR.IDREGTRIBFILI = :P_IDREGTRIBFILI AND SR.CDSITTRIBICMS = PR.CDSITTRIBICMS WHERE SR.CDSITTRIBICMS IS NULL ORDER BY PR.CDPRODUTO)mssql";

const char* const kSelOrigensSemIntermediador =
    R"mssql(SELECT DISTINCT OG.IDORIGEM FROM (SELECT IDORGCMDVENDA AS IDORIGEM FROM COMANDAVEN WHERE CDFILIAL = :P_CDFILIAL UNION SELECT IDORIGEMVENDA AS IDORIGEM FROM VENDA WHERE CDFILIAL = :P_CDFILIAL) OG WHERE OG.IDORIGEM IS NOT NULL AND OG.IDORIGEM <> '' AND OG.IDORIGEM <> :P_IDORIGPROPRIA AND NOT EXISTS (SELECT 1 FROM INTERMEDVENDA IT WHERE IT.CDFILIAL = :P_CDFILIAL AND IT.IDORIGEMVENDA = OG.IDORIGEM) ORDER BY OG.IDORIGEM)mssql";

const char* const kSelIbpt =
    R"mssql(SELECT COUNT(*) AS QTLINHAS, MAX(DTFIMVIGIBPT) AS DTFIM, MAX(NRVERSAOIBPT) AS NRVERSAO FROM TABIBPT WHERE SGESTADO = :P_SGESTADO)mssql";

const char* const kSelSerie =
    R"mssql(SELECT NRSERIENFCE FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// Every number of the branch's NFC-e series, any register: a note's, or one drawn and held for a
// bill, being voided or voided.
const char* const kSelNumerosUsados =
    R"mssql(SELECT NRSERIENFCE AS NRSERIE, NRNFCE AS NRNUMERO FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL UNION SELECT NRSERIEDOCFIS AS NRSERIE, NRDOCFIS AS NRNUMERO FROM NUMDOCRESERV WHERE CDFILIAL = :P_CDFILIAL AND CDMODDOCFIS = '65' AND IDSITRESERVA IN ('reserved', 'voiding', 'voided'))mssql";

constexpr int kDiasAvisoIbpt = 30;
constexpr size_t kMaisListados = 10;

long Numero(const std::string& texto) {
  try {
    return std::stol(texto);
  } catch (const std::exception&) {
    return -1;
  }
}

void Falha(Achados& achados, const std::string& texto) {
  achados.push_back({Gravidade::kFalha, texto});
}

void Aviso(Achados& achados, const std::string& texto) {
  achados.push_back({Gravidade::kAviso, texto});
}

// "a, b, c e mais N".
std::string Lista(const std::vector<std::string>& itens) {
  std::string texto;
  for (size_t i = 0; i < itens.size() && i < kMaisListados; ++i) {
    texto += (i ? ", " : "") + itens[i];
  }
  if (itens.size() > kMaisListados) {
    texto += " e mais " + std::to_string(itens.size() - kMaisListados);
  }
  return texto;
}

}  // namespace

void VerificaFuso(const CaixaVerificado& c, Achados& achados) {
  try {
    VyrUtil::DataHoraComFuso(c.agora, c.fuso);
  } catch (const std::exception& e) {
    Falha(achados, std::string("fuso horario: ") + e.what());
  }
}

void VerificaTiposRecebimento(const CaixaVerificado& c, Achados& achados) {
  const std::string arquivo = c.dir + "/Dados/Cadastros/ConfTipoRece.cds";
  rtl::TClientDataSet tabela;
  try {
    tabela.LoadFromFile(arquivo);
  } catch (const std::exception& e) {
    Falha(achados, "tipos de recebimento: " + arquivo + " nao pode ser lido: " + e.what());
    return;
  }
  std::vector<std::string> sem;
  bool algum = false;
  for (tabela.First(); !tabela.Eof(); tabela.Next()) {
    if (tabela.FieldByName("CDFILIAL").AsString() != c.filial) continue;
    algum = true;
    if (tabela.FieldByName("CDFPIMPFIS").AsString().empty()) {
      sem.push_back(tabela.FieldByName("CDTIPORECE").AsString() + " (" +
                    tabela.FieldByName("NMTIPORECE").AsString() + ")");
    }
  }
  if (!algum) {
    Falha(achados,
          "tipos de recebimento: " + arquivo + " nao tem tipo algum da filial " + c.filial);
  } else if (!sem.empty()) {
    Falha(achados, "tipos de recebimento sem CDFPIMPFIS (forma de pagamento do documento) em " +
                       arquivo + ": " + Lista(sem));
  }
}

void VerificaSituacoesTributarias(ado::TADOConnection& conexao, const CaixaVerificado& c,
                                  Achados& achados) {
  if (c.regime.empty()) {
    Falha(achados, "regime tributario: FILIAL.IDREGTRIBFILI vazio na filial " + c.filial);
    return;
  }
  std::vector<std::string> sem;
  ado::ForEachRow(conexao, "adqSemSituacao", kSelSemSituacao, ado::TextParams({"P_IDREGTRIBFILI"}),
                  {{"P_IDREGTRIBFILI", c.regime}}, [&](ado::TADOQuery& q) {
                    sem.push_back(q.FieldByName("CDPRODUTO").AsString() + " " +
                                  q.FieldByName("NMPRODUTO").AsString() + " (CST " +
                                  q.FieldByName("CDSITTRIBICMS").AsString() + ")");
                  });
  if (!sem.empty()) {
    Falha(achados, "produtos sem linha em SITTRIBREGIME para o regime " + c.regime +
                       " (FILIAL.IDREGTRIBFILI) e o seu PRODUTO.CDSITTRIBICMS: " + Lista(sem));
  }
}

void VerificaIntermediadores(ado::TADOConnection& conexao, const CaixaVerificado& c,
                             Achados& achados) {
  std::vector<std::string> sem;
  ado::ForEachRow(conexao, "adqOrigensSemIntermed", kSelOrigensSemIntermediador,
                  ado::TextParams({"P_CDFILIAL", "P_IDORIGPROPRIA"}),
                  {{"P_CDFILIAL", c.filial}, {"P_IDORIGPROPRIA", c.origemPropria}},
                  [&](ado::TADOQuery& q) { sem.push_back(q.FieldByName("IDORIGEM").AsString()); });
  if (!sem.empty()) {
    Falha(achados,
          "origens de pedido sem linha em INTERMEDVENDA (CNPJ do intermediador) na filial " +
              c.filial + ": " + Lista(sem) + "; suas notas sairiam sem intermediador");
  }
}

void VerificaIbpt(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  long linhas = 0;
  rtl::TDateTime fim = 0;
  std::string versao;
  ado::ReadFirstRow(conexao, "adqIbpt", kSelIbpt, ado::TextParams({"P_SGESTADO"}),
                    {{"P_SGESTADO", c.uf}}, [&](ado::TADOQuery& q) {
                      linhas = Numero(q.FieldByName("QTLINHAS").AsString());
                      if (!q.FieldByName("DTFIM").IsNull())
                        fim = q.FieldByName("DTFIM").AsDateTime();
                      versao = q.FieldByName("NRVERSAO").AsString();
                    });
  const std::string tabela = "tabela IBPT (TABIBPT) do estado '" + c.uf + "'";
  if (c.uf.empty()) {
    Falha(achados, "estado da filial: FILIAL.SGESTADO vazio na filial " + c.filial);
  } else if (linhas <= 0) {
    Falha(achados, tabela + " nao carregada: hostagent import-ibpt --dir DIR TabelaIBPTax" + c.uf +
                       "...csv");
  } else if (fim != 0 && fim + 1 <= c.agora) {
    Falha(achados, tabela + " versao " + versao + " vencida em " + rtl::FormatDateIso(fim) +
                       ": carregue a atual (import-ibpt)");
  } else if (fim != 0 && fim + 1 - c.agora <= kDiasAvisoIbpt) {
    Aviso(achados, tabela + " versao " + versao + " vence em " + rtl::FormatDateIso(fim) +
                       ": carregue a proxima (import-ibpt)");
  }
}

void VerificaNumeracao(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  long serie = -1;
  ado::ReadFirstRow(
      conexao, "adqSerieCaixa", kSelSerie, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
      {{"P_CDFILIAL", c.filial}, {"P_CDCAIXA", c.caixa}},
      [&](ado::TADOQuery& q) { serie = Numero(q.FieldByName("NRSERIENFCE").AsString()); });
  if (serie < 0) return;  // named by the register's settings
  std::set<long> usados;
  ado::ForEachRow(conexao, "adqNumerosUsados", kSelNumerosUsados, ado::TextParams({"P_CDFILIAL"}),
                  {{"P_CDFILIAL", c.filial}}, [&](ado::TADOQuery& q) {
                    if (Numero(q.FieldByName("NRSERIE").AsString()) == serie) {
                      usados.insert(Numero(q.FieldByName("NRNUMERO").AsString()));
                    }
                  });
  std::vector<std::string> faltando;
  long anterior = -1;
  for (const long numero : usados) {
    if (anterior >= 0 && numero - anterior == 2) faltando.push_back(std::to_string(anterior + 1));
    if (anterior >= 0 && numero - anterior > 2) {
      faltando.push_back(std::to_string(anterior + 1) + " a " + std::to_string(numero - 1));
    }
    anterior = numero;
  }
  if (!faltando.empty()) {
    Aviso(achados, "NFC-e serie " + std::to_string(serie) +
                       ": numeros sem nota nem inutilizacao (NFCEVENDA, NUMDOCRESERV): " +
                       Lista(faltando) + "; devem ser inutilizados junto a SEFAZ");
  }
}

}  // namespace hostagent
