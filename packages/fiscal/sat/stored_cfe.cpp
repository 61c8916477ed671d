#include "fiscal/sat/stored_cfe.h"

#include <optional>

#include "db/joined_transaction.h"
#include "db/statement_kit.h"
#include "fiscal/kept_settings.h"
#include "fiscal/sale/pending_document.h"
#include "fiscal/sat/cfe_in_hand.h"
#include "fiscal/sat/sat_library.h"
#include "rtl/errors.h"
#include "vyrutil/strings.h"
#include "vyrutil/xml_folder.h"

namespace VyrFiscal::Sat {
namespace {

const char* const kSelCFe =
    R"mssql(SELECT NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE, NRSESSAOSAT, DSRETORNOSAT FROM VENDACFESAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kInsCFe =
    R"mssql(INSERT INTO VENDACFESAT (CDFILIAL, CDCAIXA, NRSEQVENDA, NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE, NRSESSAOSAT, DSRETORNOSAT) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_NRSEQVENDA, :P_NRCFESAT, :P_NRCHAVECFE, :P_DSQRCODECFE, :P_NRSERIESAT, :P_DSTIMESTAMPSAT, :P_DSARQXMLCFE, :P_NRSESSAOSAT, :P_DSRETORNOSAT))mssql";

const char* const kUpdCFeCompleto =
    R"mssql(UPDATE VENDACFESAT SET NRCFESAT = :P_NRCFESAT, NRCHAVECFE = :P_NRCHAVECFE, DSQRCODECFE = :P_DSQRCODECFE, NRSERIESAT = :P_NRSERIESAT, DSTIMESTAMPSAT = :P_DSTIMESTAMPSAT, DSARQXMLCFE = :P_DSARQXMLCFE, NRSESSAOSAT = :P_NRSESSAOSAT, DSRETORNOSAT = :P_DSRETORNOSAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

// Only a row that holds nothing but a session goes: an issued CF-e is never deleted.
const char* const kDelSessao =
    R"mssql(DELETE FROM VENDACFESAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA AND NRCFESAT IS NULL AND DSRETORNOSAT IS NULL)mssql";

const char* const kUpdCFe =
    R"mssql(UPDATE VENDACFESAT SET NRCFESAT = :P_NRCFESAT, NRCHAVECFE = :P_NRCHAVECFE, DSQRCODECFE = :P_DSQRCODECFE WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kUpdVenda =
    R"mssql(UPDATE VENDA SET NRCUPOMFIS = :P_NRCFESAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kSelBiblioteca =
    R"mssql(SELECT DSLIBSAT, NRCNPJSOFTHOUSE, DSSIGNAC FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

const char* const kColunas[] = {"NRCFESAT",       "NRCHAVECFE",  "DSQRCODECFE", "NRSERIESAT",
                                "DSTIMESTAMPSAT", "DSARQXMLCFE", "NRSESSAOSAT", "DSRETORNOSAT"};

ado::Bindings Venda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                    const std::string& NRSEQVENDA) {
  return {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}, {"P_NRSEQVENDA", NRSEQVENDA}};
}

ado::Bindings Ligacoes(const std::string& CDFILIAL, const std::string& CDCAIXA,
                       const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  // The file's path relative to the program directory: a store moved with its folder keeps it.
  const std::string valores[] = {cfe.NRCFESAT,       cfe.NRCHAVECFE,
                                 cfe.DSQRCODECFE,    cfe.NRSERIESAT,
                                 cfe.DSTIMESTAMPSAT, VyrUtil::CaminhoGravado(cfe.DSARQXMLCFE),
                                 cfe.NRSESSAOSAT,    cfe.DSRETORNOSAT};
  ado::Bindings ligacoes = Venda(CDFILIAL, CDCAIXA, NRSEQVENDA);
  for (size_t i = 0; i < 8; ++i) {
    ligacoes.push_back({std::string("P_") + kColunas[i], ado::TextOrNull(valores[i])});
  }
  return ligacoes;
}

void Insere(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
            const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  ado::RunCommand(conexao, "acmInsVendaCFeSat", kInsCFe,
                  Ligacoes(CDFILIAL, CDCAIXA, NRSEQVENDA, cfe));
}

// The whole row: over the stored session, or a new one.
void Substitui(ado::TADOConnection& conexao, const std::string& CDFILIAL,
               const std::string& CDCAIXA, const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  if (ado::RunCommand(conexao, "acmUpdVendaCFeSatCompleto", kUpdCFeCompleto,
                      Ligacoes(CDFILIAL, CDCAIXA, NRSEQVENDA, cfe)) == 0) {
    Insere(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, cfe);
  }
}

}  // namespace

bool LeCFeGravado(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                  const std::string& CDCAIXA, const std::string& NRSEQVENDA, CFeGravado& cfe) {
  const ado::Bindings venda = Venda(CDFILIAL, CDCAIXA, NRSEQVENDA);
  return ado::ReadFirstRow(conexao, "adqVendaCFeSat", kSelCFe, ado::ParamsFor(venda), venda,
                           [&cfe](ado::TADOQuery& query) {
                             std::string* const destino[] = {
                                 &cfe.NRCFESAT,    &cfe.NRCHAVECFE,     &cfe.DSQRCODECFE,
                                 &cfe.NRSERIESAT,  &cfe.DSTIMESTAMPSAT, &cfe.DSARQXMLCFE,
                                 &cfe.NRSESSAOSAT, &cfe.DSRETORNOSAT};
                             for (size_t i = 0; i < 8; ++i)
                               *destino[i] = ado::FirstValue(query, kColunas[i]);
                             cfe.DSARQXMLCFE = VyrUtil::CaminhoLido(cfe.DSARQXMLCFE);
                           });
}

void GuardaSessao(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                  const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                  const std::string& NRSESSAOSAT) {
  CFeGravado sessao;
  sessao.NRSESSAOSAT = NRSESSAOSAT;
  ado::JoinedTransaction transacao(conexao);
  Substitui(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, sessao);
  transacao.Commit();
}

void EsqueceSessao(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                   const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  ado::RunCommand(conexao, "acmDelVendaCFeSatSessao", kDelSessao,
                  Venda(CDFILIAL, CDCAIXA, NRSEQVENDA));
}

void GravaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
              const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  ado::JoinedTransaction transacao(conexao);
  Substitui(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, cfe);
  // The stored CF-e is the sale's document: the sale no longer awaits one.
  LimpaDocumentoPendente(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
  transacao.Commit();
  // Committed here, it is what the steps after the device's answer find (sat/cfe_in_hand.h).
  if (!transacao.Joined()) {
    CFeDaVenda guardado{CDFILIAL, CDCAIXA, NRSEQVENDA, cfe};
    guardado.cfe.DSARQXMLCFE = VyrUtil::CaminhoLido(VyrUtil::CaminhoGravado(cfe.DSARQXMLCFE));
    GuardaCFeEmMaos(guardado);
  }
}

void AtualizaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                 const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                 const std::string& NRCFESAT, const std::string& NRCHAVECFE,
                 const std::string& DSQRCODECFE) {
  ado::Bindings ligacoes = Venda(CDFILIAL, CDCAIXA, NRSEQVENDA);
  ado::AppendBindings(
      ligacoes,
      {{"P_NRCFESAT", NRCFESAT}, {"P_NRCHAVECFE", NRCHAVECFE}, {"P_DSQRCODECFE", DSQRCODECFE}});
  // The CF-e just stored as the device answered it, with the sale's document state cleared,
  // needs only its number on the sale: one statement, which needs no transaction of its own.
  const auto guardado = CFeEmMaosDaVenda(CDFILIAL, CDCAIXA, NRSEQVENDA);
  const bool jaGravado = guardado && guardado->cfe.NRCFESAT == NRCFESAT &&
                         guardado->cfe.NRCHAVECFE == NRCHAVECFE &&
                         guardado->cfe.DSQRCODECFE == DSQRCODECFE;
  std::optional<ado::JoinedTransaction> transacao;
  if (!jaGravado) transacao.emplace(conexao);
  if (ado::RunCommand(conexao, "acmUpdVendaCupomSat", kUpdVenda, ligacoes) == 0) {
    throw rtl::EDatabaseError("Sale " + CDFILIAL + "/" + CDCAIXA + "/" + NRSEQVENDA +
                              " not found in VENDA: its SAT document (CF-e " + NRCFESAT +
                              ") cannot be stored");
  }
  if (jaGravado) return;
  if (ado::RunCommand(conexao, "acmUpdVendaCFeSat", kUpdCFe, ligacoes) == 0) {
    CFeGravado novo;
    novo.NRCFESAT = NRCFESAT;
    novo.NRCHAVECFE = NRCHAVECFE;
    novo.DSQRCODECFE = DSQRCODECFE;
    Insere(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, novo);
  }
  LimpaDocumentoPendente(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
  transacao->Commit();
}

// Kept (fiscal/kept_settings.h), as the register's other fiscal settings.
InstalacaoSat LeInstalacaoSat(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                              const std::string& CDCAIXA) {
  static Guardadas<InstalacaoSat> guardadas;
  return guardadas.Busca(CDFILIAL + "|" + CDCAIXA,
                         [&] { return LeInstalacaoDoBanco(conexao, CDFILIAL, CDCAIXA); });
}

InstalacaoSat LeInstalacaoDoBanco(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                  const std::string& CDCAIXA) {
  ado::TADOQuery query;
  ado::DeclareQuery(query, conexao, kSelBiblioteca, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
                    "adqCaixaFiscalSat");
  ado::OpenQuery(query, {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}});
  InstalacaoSat instalacao;
  instalacao.DSLIBSAT = ado::FirstValue(query, "DSLIBSAT");
  instalacao.cnpjSoftwareHouse = VyrUtil::SoDigitos(ado::FirstValue(query, "NRCNPJSOFTHOUSE"));
  instalacao.signAC = ado::FirstValue(query, "DSSIGNAC");
  instalacao.emulador = NomeiaEmulador(instalacao.DSLIBSAT);
  instalacao.biblioteca = instalacao.emulador && instalacao.DSLIBSAT == kBibliotecaEmulador
                              ? BibliotecaPadrao()
                              : instalacao.DSLIBSAT;
  if (instalacao.emulador && instalacao.cnpjSoftwareHouse.empty()) {
    instalacao.cnpjSoftwareHouse = kCnpjSoftwareHouseTeste;
  }
  if (instalacao.emulador && instalacao.signAC.empty()) instalacao.signAC = kSignACTeste;
  return instalacao;
}

std::string ProblemaInstalacaoSat(const InstalacaoSat& instalacao, const std::string& CDFILIAL,
                                  const std::string& CDCAIXA) {
  const std::string caixa = "O caixa " + CDCAIXA + " da filial " + CDFILIAL;
  if (VyrUtil::EmptyString(instalacao.DSLIBSAT)) {
    return caixa + " não indica a biblioteca do SAT: preencha CAIXAFISCAL.DSLIBSAT (" +
           kBibliotecaEmulador + " para o emulador).";
  }
  if (instalacao.cnpjSoftwareHouse.size() != 14 || VyrUtil::EmptyString(instalacao.signAC)) {
    return caixa +
           " está sem o CNPJ da software house ou a assinatura do AC registrada no SAT: "
           "preencha CAIXAFISCAL.NRCNPJSOFTHOUSE e CAIXAFISCAL.DSSIGNAC.";
  }
  return "";
}

}  // namespace VyrFiscal::Sat
