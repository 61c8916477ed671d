#include "fiscal/nfce/corrected_note.h"

#include "db/joined_transaction.h"
#include "db/statement_kit.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/sale/recorded_sale.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

constexpr double kUmaHora = 1.0 / 24;

const char* const kSelRejeitadas =
    R"mssql(SELECT CDCHAVENFCE, NRSEQVENDA, DSMOTIVONFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDSITUNFCE = 'rejected' AND (DTHRULTENVNFCE IS NULL OR DTHRULTENVNFCE <= :P_DTHRULTENVNFCE) ORDER BY NRSEQVENDA)mssql";

const char* const kDelNota =
    R"mssql(DELETE FROM NFCEVENDA WHERE CDCHAVENFCE = :P_CDCHAVENFCE)mssql";

const char* const kUpdAnterior =
    R"mssql(UPDATE NFCEVENDA SET CDCHAVEANTNFCE = :P_CDCHAVEANTNFCE WHERE CDCHAVENFCE = :P_CDCHAVENFCE)mssql";

// The oldest rejected note that may be made again now; `chave` empty when none.
NotaGravada ARefazer(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                     const std::string& CDCAIXA) {
  std::vector<ado::ParamDecl> parametros = ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"});
  parametros.push_back(ado::DateTimeParam("P_DTHRULTENVNFCE"));
  std::vector<std::string> chaves;
  ado::ForEachRow(conexao, "adqNfceARefazer", kSelRejeitadas, std::move(parametros),
                  {{"P_CDFILIAL", CDFILIAL},
                   {"P_CDCAIXA", CDCAIXA},
                   {"P_DTHRULTENVNFCE", rtl::Variant::FromDateTime(rtl::Now() - kUmaHora)}},
                  [&chaves](ado::TADOQuery& q) {
                    if (RejeicaoRefazivel(q.FieldByName("DSMOTIVONFCE").AsString())) {
                      chaves.push_back(q.FieldByName("CDCHAVENFCE").AsString());
                    }
                  });
  return chaves.empty() ? NotaGravada{} : NotaDaChave(conexao, chaves.front());
}

// The rejected row gives way to the new note of the same sale and number, in one transaction:
// a note that cannot be made leaves the rejected one as it was.
std::string Refaz(ado::TADOConnection& conexao, const NotaGravada& antiga) {
  const VendaGravada venda =
      LeVendaGravada(conexao, antiga.CDFILIAL, antiga.CDCAIXA, antiga.NRSEQVENDA);
  const PedidoNfce pedido{antiga.CDFILIAL,
                          antiga.CDCAIXA,
                          antiga.NRSEQVENDA,
                          antiga.nNF,
                          antiga.serie,
                          antiga.tpAmb,
                          ""};
  ado::JoinedTransaction transacao(conexao);
  ado::RunCommand(conexao, "acmDelNfceRejeitada", kDelNota, ado::TextParams({"P_CDCHAVENFCE"}),
                  {{"P_CDCHAVENFCE", antiga.chave}});
  const NotaNfce nova = PreparaNfceDaVenda(conexao, pedido, venda);
  ado::RunCommand(conexao, "acmUpdNfceRefeita", kUpdAnterior,
                  ado::TextParams({"P_CDCHAVEANTNFCE", "P_CDCHAVENFCE"}),
                  {{"P_CDCHAVEANTNFCE", antiga.chave}, {"P_CDCHAVENFCE", nova.chave}});
  transacao.Commit();
  return nova.chave;
}

}  // namespace

bool RejeicaoRefazivel(const std::string& motivo) {
  const std::string cStat = motivo.substr(0, motivo.find(' '));
  for (const char* fora : {"110", "301", "302", "303", "204", "539"}) {
    if (cStat == fora) return false;
  }
  return !cStat.empty();
}

void RefazNotaRejeitada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                        const std::string& CDCAIXA, std::vector<std::string>& linhas) {
  const NotaGravada antiga = ARefazer(conexao, CDFILIAL, CDCAIXA);
  if (antiga.chave.empty()) return;
  const std::string nota = "NFC-e " + antiga.chave + " da venda " + antiga.NRSEQVENDA;
  try {
    linhas.push_back(nota + " (rejeitada: " + antiga.motivo + ") refeita com o numero " +
                     antiga.nNF + " da serie " + antiga.serie + ": nova chave " +
                     Refaz(conexao, antiga));
  } catch (const std::exception& erro) {
    if (conexao.InTransaction()) conexao.RollbackTrans();
    if (rtl::IsProgrammingError(erro)) throw;
    // Counted as a send, so the next try comes an hour later.
    MarcaEnvio(conexao, antiga.chave);
    GravaSituacao(conexao, antiga.chave, kSituacaoRejeitada, "", "", antiga.motivo);
    linhas.push_back(nota + " nao pode ser refeita: " + std::string(erro.what()));
  }
}

}  // namespace VyrFiscal::Nfce
