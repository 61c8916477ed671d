#include "fiscal/nfce/rejected_notes.h"

#include "db/statement_kit.h"
#include "fiscal/nfce/note_outcome.h"

namespace VyrFiscal::Nfce {
namespace {

const char* const kSelRejeitadasSemAviso =
    R"mssql(SELECT CDCHAVENFCE, NRSEQVENDA, NRNFCE, NRSERIENFCE, DSMOTIVONFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDSITUNFCE = 'rejected' AND IDAVISONFCE IS NULL ORDER BY NRSEQVENDA)mssql";

const char* const kUpdAvisoRejeicao =
    R"mssql(UPDATE NFCEVENDA SET IDAVISONFCE = 'S' WHERE CDCHAVENFCE = :P_CDCHAVENFCE)mssql";

}  // namespace

std::string ProximoPassoRejeicao(const std::string& nNF, const std::string& serie,
                                 const std::string& motivo) {
  const std::string numero = "o numero " + nNF + " da serie " + serie;
  const std::string cStat = motivo.substr(0, motivo.find(' '));
  if (cStat == "539" || cStat == "204") {
    // Not this sale's note, or the reconciliation would have taken it: two notes were given
    // one number, a fault of the series' numbering.
    const std::string outra = ChaveDaDuplicidade(motivo);
    return numero + " ja pertence a " + (outra.empty() ? "outra nota" : "nota " + outra) +
           " no autorizador: confira a numeracao da serie (CAIXAFISCAL.NRSERIENFCE de cada "
           "caixa); esta venda fica sem documento ate que suporte emita a nota com um numero novo";
  }
  if (cStat == "110" || cStat == "301" || cStat == "302" || cStat == "303") {
    // A denial is recorded by the authority under the number: it is used, never voided.
    return numero +
           " foi consumido pela denegacao (nao inutilize): guarde o XML desta nota; a venda fica "
           "sem documento ate que suporte emita uma nota com um numero novo";
  }
  return numero +
         " fica com esta venda (uma rejeicao nao consome o numero): corrija a causa indicada; a "
         "nota e refeita com o mesmo numero e enviada de novo uma hora apos cada rejeicao, ate ser "
         "autorizada (se a venda nao tera nota, inutilize o numero ate o dia 10 do mes seguinte); "
         "o recibo sai quando a nota for autorizada";
}

void AvisaRejeicoes(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                    const std::string& CDCAIXA, std::vector<std::string>& linhas) {
  struct Rejeitada {
    std::string chave, venda, linha;
  };
  std::vector<Rejeitada> rejeitadas;
  const ado::Bindings caixa = {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}};
  ado::ForEachRow(conexao, "adqNfceRejeitadas", kSelRejeitadasSemAviso, ado::ParamsFor(caixa),
                  caixa, [&rejeitadas](ado::TADOQuery& q) {
                    auto campo = [&q](const char* nome) { return q.FieldByName(nome).AsString(); };
                    const std::string motivo = campo("DSMOTIVONFCE");
                    rejeitadas.push_back(
                        {campo("CDCHAVENFCE"), campo("NRSEQVENDA"),
                         "NFC-e " + campo("CDCHAVENFCE") + " da venda " + campo("NRSEQVENDA") +
                             " rejeitada pelo autorizador: " + motivo + "; " +
                             ProximoPassoRejeicao(campo("NRNFCE"), campo("NRSERIENFCE"), motivo)});
                  });
  for (const Rejeitada& nota : rejeitadas) {
    ado::RunCommand(conexao, "acmUpdAvisoRejeicaoNfce", kUpdAvisoRejeicao,
                    ado::TextParams({"P_CDCHAVENFCE"}), {{"P_CDCHAVENFCE", nota.chave}});
    linhas.push_back(nota.linha);
  }
}

}  // namespace VyrFiscal::Nfce
