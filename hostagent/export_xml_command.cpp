#include "hostagent/export_xml_command.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <stdexcept>
#include <vector>

#include "db/statement_kit.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/nfce/note_store.h"
#include "hostagent/cancellation_status.h"
#include "hostagent/host_records.h"
#include "hostagent/run_command.h"
#include "hostagent/zip_archive.h"
#include "vyrutil/connection_setup.h"
#include "vyrutil/local_time.h"
#include "vyrutil/xml_folder.h"

namespace hostagent {

namespace {

namespace fs = std::filesystem;

const char* const kSelFuso =
    R"mssql(SELECT FI.DSFUSOHORARIO FROM CAIXA CX LEFT JOIN FILIAL FI ON FI.CDFILIAL = CX.CDFILIAL WHERE CX.CDFILIAL = :P_CDFILIAL AND CX.CDCAIXA = :P_CDCAIXA AND CX.CDLOJA = :P_CDLOJA)mssql";

// Every note of the branch in the month: this register's are exported, all of them count for
// the numbering of its series.
const char* const kSelNotas =
    R"mssql(SELECT CDCAIXA, CDCHAVENFCE, NRNFCE, NRSERIENFCE, IDTPEMISNFCE, DSDHEMINFCE, DSARQXMLNFCE, IDSITUNFCE, DSMOTIVONFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND DSDHEMINFCE LIKE :P_MES)mssql";

const char* const kSelCfes =
    R"mssql(SELECT NRCFESAT, NRSERIESAT, NRCHAVECFE, DSTIMESTAMPSAT, DSARQXMLCFE FROM VENDACFESAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND DSTIMESTAMPSAT LIKE :P_MES AND NRCHAVECFE IS NOT NULL)mssql";

// The NFC-e numbers drawn for bills and not (yet) carried by a note: kept for a bill still
// pending, or voided once it is not (closing/document_number.cpp); the store keeps the
// authority's answer to a voiding in DSMOTIVORESERVA, no file.
const char* const kSelInutilizados =
    R"mssql(SELECT NRSERIEDOCFIS, NRDOCFIS, NRCOMANDA, IDSITRESERVA, DTHRRESERVA, DSMOTIVORESERVA FROM NUMDOCRESERV WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND CDMODDOCFIS = '65' AND IDSITRESERVA IN ('reserved', 'voiding', 'voided', 'refused'))mssql";

// One line of the summary, with the files it brings into the archive.
struct Linha {
  long numero = 0;
  std::string serie, chave, data, total, situacao;
  std::vector<std::string> arquivos;
  bool resolvida = true;  // false: the month is not complete while it stands
};

struct Mes {
  std::string fuso;
  std::vector<Linha> linhas;
  std::map<std::string, std::set<long>> numeros;  // every NFC-e number of a series, any register
  std::set<std::string> series;                   // this register's series
};

long Numero(const std::string& texto) {
  try {
    return std::stol(texto);
  } catch (const std::exception&) {
    return 0;
  }
}

std::string Serie(const std::string& texto) {
  return std::to_string(Numero(texto));
}

// The total the document itself states; "" when its file cannot be read.
std::string TotalDoArquivo(const std::string& arquivo, const char* caminho) {
  pugi::xml_document doc;
  if (!doc.load_file(arquivo.c_str())) return "";
  return doc.select_node(caminho).node().child_value();
}

std::string ExigeArquivo(const std::string& arquivo, const std::string& coluna) {
  if (!fs::is_regular_file(arquivo)) {
    throw std::runtime_error("o arquivo " + arquivo + " (" + coluna +
                             ") nao existe: a loja deve guarda-lo por cinco anos; recupere-o da "
                             "copia de seguranca antes de exportar o mes");
  }
  return arquivo;
}

// The files the store keeps beside an authorised note under its key, other than the signed note
// without its protocol: its nfeProc and its events with their answers.
std::vector<std::string> ArquivosDaNota(const std::string& arquivoXml, const std::string& chave) {
  const std::string proc =
      ExigeArquivo(VyrFiscal::ArquivoNfeProc(arquivoXml), "nfeProc de NFCEVENDA.DSARQXMLNFCE");
  std::vector<std::string> arquivos{proc};
  std::error_code erro;
  for (const auto& entrada : fs::directory_iterator(fs::path(arquivoXml).parent_path(), erro)) {
    const std::string nome = entrada.path().filename().string();
    if (nome.rfind(chave, 0) == 0 && entrada.path() != fs::path(arquivoXml) &&
        entrada.path() != fs::path(proc) && entrada.is_regular_file()) {
      arquivos.push_back(entrada.path().string());
    }
  }
  std::sort(arquivos.begin() + 1, arquivos.end());
  return arquivos;
}

std::string SituacaoDaNota(const std::string& situacao, const std::string& tpEmis,
                           const std::string& motivo) {
  using namespace VyrFiscal::Nfce;
  const std::string contingencia = tpEmis == "9" ? " (contingencia)" : "";
  if (situacao == kSituacaoAutorizada) return "autorizada" + contingencia;
  if (situacao == kSituacaoPendente) return "nao transmitida" + contingencia;
  if (situacao == kSituacaoIncerta) return "enviada sem resposta" + contingencia;
  return "rejeitada" + contingencia + (motivo.empty() ? "" : ": " + motivo);
}

// An authorised note's cancellation as the files beside it show it: registered (its event and
// answer, already among the note's files), or sent and not answered, which leaves the month open
// until cancel-note is run again.
void Cancelamento(const std::string& arquivoXml, Linha& l) {
  const std::string pasta = fs::path(arquivoXml).parent_path().string();
  const std::string autorizada = "autorizada";
  if (fs::exists(CancellationAnswerFile(pasta, l.chave))) {
    l.situacao = "cancelada" + l.situacao.substr(autorizada.size());
  } else if (fs::exists(UnansweredCancellationFile(pasta, l.chave))) {
    l.situacao +=
        ", cancelamento enviado sem resposta: " + std::string(kUnansweredCancellationAction);
    l.resolvida = false;
  }
}

void LeNotas(ado::TADOConnection& c, const ExportXmlOptions& o, Mes& mes) {
  ado::ForEachRow(
      c, "adqNotasDoMes", kSelNotas, ado::TextParams({"P_CDFILIAL", "P_MES"}),
      {{"P_CDFILIAL", o.filial}, {"P_MES", o.mes + "%"}}, [&](ado::TADOQuery& q) {
        const auto campo = [&q](const char* nome) { return q.FieldByName(nome).AsString(); };
        Linha l;
        l.numero = Numero(campo("NRNFCE"));
        l.serie = Serie(campo("NRSERIENFCE"));
        mes.numeros[l.serie].insert(l.numero);
        if (campo("CDCAIXA") != o.caixa) return;
        mes.series.insert(l.serie);
        l.chave = campo("CDCHAVENFCE");
        l.data = campo("DSDHEMINFCE").substr(0, 19);
        const std::string situacao = campo("IDSITUNFCE");
        l.situacao = SituacaoDaNota(situacao, campo("IDTPEMISNFCE"), campo("DSMOTIVONFCE"));
        const std::string xml = VyrUtil::CaminhoLido(campo("DSARQXMLNFCE"));
        l.resolvida = situacao == VyrFiscal::Nfce::kSituacaoAutorizada;
        if (l.resolvida) {
          l.arquivos = ArquivosDaNota(xml, l.chave);
          Cancelamento(xml, l);
        }
        l.total = TotalDoArquivo(l.arquivos.empty() ? xml : l.arquivos.front(),
                                 "//*[local-name()='vNF']");
        mes.linhas.push_back(l);
      });
}

void LeCfes(ado::TADOConnection& c, const ExportXmlOptions& o, Mes& mes) {
  const std::string aaaamm = o.mes.substr(0, 4) + o.mes.substr(5, 2);
  ado::ForEachRow(
      c, "adqCfesDoMes", kSelCfes, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_MES"}),
      {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}, {"P_MES", aaaamm + "%"}},
      [&](ado::TADOQuery& q) {
        const auto campo = [&q](const char* nome) { return q.FieldByName(nome).AsString(); };
        Linha l;
        l.numero = Numero(campo("NRCFESAT"));
        l.serie = campo("NRSERIESAT");
        l.chave = campo("NRCHAVECFE");
        const std::string t = campo("DSTIMESTAMPSAT");
        l.data = t.size() < 14
                     ? t
                     : t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + "T" +
                           t.substr(8, 2) + ":" + t.substr(10, 2) + ":" + t.substr(12, 2);
        l.situacao = "CF-e emitido";
        l.arquivos = {
            ExigeArquivo(VyrUtil::CaminhoLido(campo("DSARQXMLCFE")), "VENDACFESAT.DSARQXMLCFE")};
        l.total = TotalDoArquivo(l.arquivos.front(), "//*[local-name()='vCFe']");
        mes.linhas.push_back(l);
      });
}

std::string SituacaoDoNumero(const std::string& situacao, const std::string& resposta,
                             const std::string& comanda) {
  if (situacao == "reserved") return "reservado para a comanda " + comanda + ", ainda pendente";
  if (situacao == "voided") return "inutilizada: " + resposta;
  if (situacao == "voiding") return "inutilizacao sem resposta da SEFAZ";
  return "inutilizacao recusada: " + resposta;
}

// A drawn number belongs to the month its reservation was made in on the branch's clocks.
void LeInutilizados(ado::TADOConnection& c, const ExportXmlOptions& o, Mes& mes) {
  ado::ForEachRow(
      c, "adqInutilizadosDoMes", kSelInutilizados, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
      {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}}, [&](ado::TADOQuery& q) {
        const auto& reserva = q.FieldByName("DTHRRESERVA");
        const std::string quando =
            reserva.IsNull() ? "" : VyrUtil::DataHoraComFuso(reserva.AsDateTime(), mes.fuso);
        if (quando.compare(0, 7, o.mes) != 0) return;
        Linha l;
        l.numero = Numero(q.FieldByName("NRDOCFIS").AsString());
        l.serie = Serie(q.FieldByName("NRSERIEDOCFIS").AsString());
        l.data = quando.substr(0, 19);
        const std::string situacao = q.FieldByName("IDSITRESERVA").AsString();
        // A bill's number stays reserved a while after its note carries it.
        if (situacao == "reserved" && mes.numeros[l.serie].count(l.numero) > 0) return;
        const std::string resposta = q.FieldByName("DSMOTIVORESERVA").AsString();
        l.situacao = SituacaoDoNumero(situacao, resposta, q.FieldByName("NRCOMANDA").AsString());
        l.resolvida = situacao == "voided" || situacao == "reserved";
        mes.numeros[l.serie].insert(l.numero);
        mes.series.insert(l.serie);
        mes.linhas.push_back(l);
      });
}

constexpr long kFaltaLonga = 100;

// The numbers of each of the register's series between the month's first and last that no
// note of the branch and no voiding carries.
std::vector<Linha> Faltando(const Mes& mes) {
  std::vector<Linha> faltando;
  for (const std::string& serie : mes.series) {
    const std::set<long>& usados = mes.numeros.at(serie);
    for (auto a = usados.begin(), b = std::next(a); b != usados.end(); a = b++) {
      // A run longer than kFaltaLonga (a mistyped number, a counter set forward) is one line.
      const bool longa = *b - *a - 1 > kFaltaLonga;
      for (long n = *a + 1; n < *b; n = longa ? *b : n + 1) {
        Linha l;
        l.numero = n;
        l.serie = serie;
        l.situacao = longa ? "numeros " + std::to_string(n) + " a " + std::to_string(*b - 1) +
                                 " sem nota nem inutilizacao"
                           : "numero sem nota nem inutilizacao";
        faltando.push_back(l);
      }
    }
  }
  return faltando;
}

std::string Csv(const std::vector<Linha>& linhas) {
  std::string csv = "numero;serie;chave;data;total;situacao\r\n";
  for (const Linha& l : linhas) {
    std::string situacao = l.situacao;
    for (char& ch : situacao) {
      if (ch == ';' || ch == '\r' || ch == '\n') ch = ',';
    }
    csv += std::to_string(l.numero) + ";" + l.serie + ";" + l.chave + ";" + l.data + ";" + l.total +
           ";" + situacao + "\r\n";
  }
  return csv;
}

// A kept file's place in the archive: its path under Dados/ (the day folders of the store).
std::string NomeNoZip(const std::string& dir, const std::string& arquivo) {
  const std::string dados = dir + "/Dados/";
  if (arquivo.compare(0, dados.size(), dados) == 0) return arquivo.substr(dados.size());
  return "XML/" + fs::path(arquivo).filename().string();
}

Mes LeMes(const ExportXmlOptions& o, bool& caixa_existe) {
  ado::TADOConnection conexao;
  conexao.ConnectionString = StoreConnection(o.dir);
  Mes mes;
  try {
    caixa_existe = ado::ReadFirstRow(
        conexao, "adqFusoDoCaixa", kSelFuso,
        ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_CDLOJA"}),
        {{"P_CDFILIAL", o.filial}, {"P_CDCAIXA", o.caixa}, {"P_CDLOJA", o.loja}},
        [&](ado::TADOQuery& q) { mes.fuso = q.FieldByName("DSFUSOHORARIO").AsString(); });
    if (!caixa_existe) return mes;
    if (mes.fuso.empty()) mes.fuso = VyrUtil::kFusoPadrao;
    LeNotas(conexao, o, mes);
    LeCfes(conexao, o, mes);
    LeInutilizados(conexao, o, mes);
  } catch (const std::runtime_error&) {
    throw;
  } catch (const std::exception& e) {
    throw std::runtime_error(VyrUtil::ADOExceptionMessage(e, conexao, ""));
  }
  return mes;
}

void Ordena(std::vector<Linha>& linhas) {
  std::sort(linhas.begin(), linhas.end(), [](const Linha& a, const Linha& b) {
    return a.serie != b.serie ? a.serie < b.serie : a.numero < b.numero;
  });
}

std::string Resumo(const std::vector<Linha>& linhas, const std::string& arquivo) {
  size_t documentos = 0, inutilizados = 0, faltando = 0, arquivos = 0;
  for (const Linha& l : linhas) {
    arquivos += l.arquivos.size();
    if (!l.chave.empty()) ++documentos;
    if (l.chave.empty() && l.situacao.rfind("inutilizada", 0) == 0) ++inutilizados;
    if (l.data.empty()) ++faltando;
  }
  return "Arquivo: " + arquivo + "\nDocumentos: " + std::to_string(documentos) +
         "; inutilizacoes: " + std::to_string(inutilizados) +
         "; numeros faltando: " + std::to_string(faltando) +
         "; arquivos XML: " + std::to_string(arquivos) + "\n";
}

// The lines the month cannot be closed with, one a line; "" when none.
std::string NaoResolvidas(const std::vector<Linha>& linhas) {
  std::string pendentes;
  for (const Linha& l : linhas) {
    if (!l.resolvida) {
      pendentes += "  numero " + std::to_string(l.numero) + " serie " + l.serie +
                   (l.chave.empty() ? "" : " (" + l.chave + ")") + ": " + l.situacao + "\n";
    }
  }
  return pendentes;
}

void EscreveZip(const ExportXmlOptions& o, const std::vector<Linha>& linhas) {
  std::vector<ZipEntry> entradas;
  entradas.push_back({"resumo.csv", "", Csv(linhas)});
  for (const Linha& l : linhas) {
    for (const std::string& a : l.arquivos) entradas.push_back({NomeNoZip(o.dir, a), a, ""});
  }
  std::error_code ignored;
  fs::create_directories(fs::path(o.saida).parent_path(), ignored);
  WriteZip(o.saida, entradas);
}

// Warns of the missing numbers, then writes the archive unless a document stops the month.
int Exporta(const ExportXmlOptions& o, const std::vector<Linha>& linhas, std::ostream& out,
            std::ostream& err) {
  for (const Linha& l : linhas) {
    if (l.data.empty()) {
      const bool um = l.situacao.rfind("numero ", 0) == 0;
      out << "Aviso: serie " << l.serie << ": "
          << (um ? "numero " + std::to_string(l.numero) + l.situacao.substr(6) : l.situacao)
          << " no mes\n";
    }
  }
  const std::string pendentes = NaoResolvidas(linhas);
  if (!pendentes.empty() && !o.continuar) {
    err << "hostagent: o mes " << o.mes << " tem documentos nao resolvidos junto a SEFAZ:\n"
        << pendentes
        << "Aguarde a THREAD transmiti-los (hostagent status) ou use --continuar para exportar "
           "assim mesmo; nada foi gravado\n";
    return kExitMesIncompleto;
  }
  EscreveZip(o, linhas);
  if (!pendentes.empty()) {
    out << "Documentos nao resolvidos (exportados so no resumo):\n" << pendentes;
  }
  out << Resumo(linhas, o.saida);
  return kExitOk;
}

}  // namespace

int RunExportXml(const ExportXmlOptions& given, std::ostream& out, std::ostream& err) {
  ExportXmlOptions o = given;
  try {
    if (!std::regex_match(o.mes, std::regex(R"(\d{4}-(0[1-9]|1[0-2]))"))) {
      throw std::invalid_argument("--mes '" + o.mes + "' nao e um mes no formato AAAA-MM");
    }
    FillRegister(o.dir, o.filial, o.caixa, o.loja);
  } catch (const std::invalid_argument& e) {
    err << "hostagent: " << e.what() << "\n";
    return kExitUsage;
  }
  if (o.saida.empty()) {
    o.saida = o.dir + "/Dados/Contador/XML-" + o.filial + "-" + o.caixa + "-" + o.mes + ".zip";
  }
  bool caixa_existe = true;
  Mes mes = LeMes(o, caixa_existe);
  if (!caixa_existe) {
    err << "hostagent: caixa nao encontrado: nenhuma linha de CAIXA para filial " << o.filial
        << ", caixa " << o.caixa << ", loja " << o.loja << "\n";
    return kExitNoRegister;
  }
  std::vector<Linha> linhas = mes.linhas;
  for (const Linha& l : Faltando(mes)) linhas.push_back(l);
  Ordena(linhas);
  return Exporta(o, linhas, out, err);
}

}  // namespace hostagent
