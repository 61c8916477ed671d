#include "fiscal/sat/stored_cfe.h"

#include "db/joined_transaction.h"
#include "db/statement_kit.h"
#include "rtl/errors.h"

namespace VyrFiscal::Sat {
namespace {

const char* const kSelCFe =
    R"mssql(SELECT NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE, NRSESSAOSAT, DSRETORNOSAT FROM VENDACFESAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kInsCFe =
    R"mssql(INSERT INTO VENDACFESAT (CDFILIAL, CDCAIXA, NRSEQVENDA, NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE, NRSESSAOSAT, DSRETORNOSAT) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_NRSEQVENDA, :P_NRCFESAT, :P_NRCHAVECFE, :P_DSQRCODECFE, :P_NRSERIESAT, :P_DSTIMESTAMPSAT, :P_DSARQXMLCFE, :P_NRSESSAOSAT, :P_DSRETORNOSAT))mssql";

const char* const kUpdCFe =
    R"mssql(UPDATE VENDACFESAT SET NRCFESAT = :P_NRCFESAT, NRCHAVECFE = :P_NRCHAVECFE, DSQRCODECFE = :P_DSQRCODECFE WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kUpdVenda =
    R"mssql(UPDATE VENDA SET NRCUPOMFIS = :P_NRCFESAT WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kSelBiblioteca =
    R"mssql(SELECT DSLIBSAT FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

const char* const kColunas[] = {"NRCFESAT",       "NRCHAVECFE",  "DSQRCODECFE", "NRSERIESAT",
                                "DSTIMESTAMPSAT", "DSARQXMLCFE", "NRSESSAOSAT", "DSRETORNOSAT"};

ado::Bindings Venda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                    const std::string& NRSEQVENDA) {
  return {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}, {"P_NRSEQVENDA", NRSEQVENDA}};
}

void Insere(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
            const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  const std::string valores[] = {cfe.NRCFESAT,    cfe.NRCHAVECFE,     cfe.DSQRCODECFE,
                                 cfe.NRSERIESAT,  cfe.DSTIMESTAMPSAT, cfe.DSARQXMLCFE,
                                 cfe.NRSESSAOSAT, cfe.DSRETORNOSAT};
  ado::Bindings ligacoes = Venda(CDFILIAL, CDCAIXA, NRSEQVENDA);
  for (size_t i = 0; i < 8; ++i) {
    ligacoes.push_back({std::string("P_") + kColunas[i], ado::TextOrNull(valores[i])});
  }
  ado::RunCommand(conexao, "acmInsVendaCFeSat", kInsCFe, ligacoes);
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
                           });
}

void GravaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
              const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  ado::JoinedTransaction transacao(conexao);
  Insere(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, cfe);
  transacao.Commit();
}

void AtualizaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                 const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                 const std::string& NRCFESAT, const std::string& NRCHAVECFE,
                 const std::string& DSQRCODECFE) {
  ado::Bindings ligacoes = Venda(CDFILIAL, CDCAIXA, NRSEQVENDA);
  ado::AppendBindings(
      ligacoes,
      {{"P_NRCFESAT", NRCFESAT}, {"P_NRCHAVECFE", NRCHAVECFE}, {"P_DSQRCODECFE", DSQRCODECFE}});
  ado::JoinedTransaction transacao(conexao);
  if (ado::RunCommand(conexao, "acmUpdVendaCupomSat", kUpdVenda, ligacoes) == 0) {
    throw rtl::EDatabaseError("Sale " + CDFILIAL + "/" + CDCAIXA + "/" + NRSEQVENDA +
                              " not found in VENDA: its SAT document (CF-e " + NRCFESAT +
                              ") cannot be stored");
  }
  if (ado::RunCommand(conexao, "acmUpdVendaCFeSat", kUpdCFe, ligacoes) == 0) {
    CFeGravado novo;
    novo.NRCFESAT = NRCFESAT;
    novo.NRCHAVECFE = NRCHAVECFE;
    novo.DSQRCODECFE = DSQRCODECFE;
    Insere(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA, novo);
  }
  transacao.Commit();
}

std::string BibliotecaDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                              const std::string& CDCAIXA) {
  ado::TADOQuery query;
  ado::DeclareQuery(query, conexao, kSelBiblioteca, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
                    "adqCaixaFiscalSat");
  return ado::OpenValue(query, {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}}, "DSLIBSAT");
}

}  // namespace VyrFiscal::Sat
