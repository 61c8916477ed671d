#include "fiscal/sat/stored_cfe.h"

#include "db/command.h"
#include "db/joined_transaction.h"
#include "db/query.h"
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

std::vector<ado::ParamDecl> Parametros(std::initializer_list<const char*> nomes) {
  std::vector<ado::ParamDecl> decl;
  for (const char* nome : nomes) decl.push_back({nome, ado::ParamType::String, 16});
  return decl;
}

template <typename Statement>
void BindChave(Statement& st, const std::string& CDFILIAL, const std::string& CDCAIXA,
               const std::string& NRSEQVENDA) {
  st.ParamByName("P_CDFILIAL").SetAsString(CDFILIAL);
  st.ParamByName("P_CDCAIXA").SetAsString(CDCAIXA);
  if (!NRSEQVENDA.empty()) st.ParamByName("P_NRSEQVENDA").SetAsString(NRSEQVENDA);
}

std::string Campo(ado::TADOQuery& query, const char* nome) {
  rtl::TField& campo = query.FieldByName(nome);
  return campo.IsNull() ? "" : campo.AsString();
}

void Insere(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
            const std::string& NRSEQVENDA, const CFeGravado& cfe) {
  ado::TADOCommand insere;
  insere.Name = "acmInsVendaCFeSat";
  insere.CommandTimeout = 0;
  insere.Setup(conexao, kInsCFe,
               Parametros({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA", "P_NRCFESAT", "P_NRCHAVECFE",
                           "P_DSQRCODECFE", "P_NRSERIESAT", "P_DSTIMESTAMPSAT", "P_DSARQXMLCFE",
                           "P_NRSESSAOSAT", "P_DSRETORNOSAT"}));
  BindChave(insere, CDFILIAL, CDCAIXA, NRSEQVENDA);
  const std::string valores[] = {cfe.NRCFESAT,    cfe.NRCHAVECFE,     cfe.DSQRCODECFE,
                                 cfe.NRSERIESAT,  cfe.DSTIMESTAMPSAT, cfe.DSARQXMLCFE,
                                 cfe.NRSESSAOSAT, cfe.DSRETORNOSAT};
  for (size_t i = 0; i < 8; ++i) {
    ado::TParameter& p = insere.ParamByName(std::string("P_") + kColunas[i]);
    if (valores[i].empty()) {
      p.Clear();
    } else {
      p.SetAsString(valores[i]);
    }
  }
  insere.Execute();
}

}  // namespace

bool LeCFeGravado(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                  const std::string& CDCAIXA, const std::string& NRSEQVENDA, CFeGravado& cfe) {
  ado::TADOQuery query;
  query.Name = "adqVendaCFeSat";
  query.Setup(conexao, kSelCFe, Parametros({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA"}));
  BindChave(query, CDFILIAL, CDCAIXA, NRSEQVENDA);
  query.Open();
  if (query.IsEmpty()) return false;
  std::string* const destino[] = {&cfe.NRCFESAT,    &cfe.NRCHAVECFE,     &cfe.DSQRCODECFE,
                                  &cfe.NRSERIESAT,  &cfe.DSTIMESTAMPSAT, &cfe.DSARQXMLCFE,
                                  &cfe.NRSESSAOSAT, &cfe.DSRETORNOSAT};
  for (size_t i = 0; i < 8; ++i) *destino[i] = Campo(query, kColunas[i]);
  return true;
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
  const auto comando = [&conexao](ado::TADOCommand& cmd, const char* nome, const char* sql) {
    cmd.Name = nome;
    cmd.CommandTimeout = 0;
    cmd.Setup(conexao, sql,
              Parametros({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA", "P_NRCFESAT", "P_NRCHAVECFE",
                          "P_DSQRCODECFE"}));
  };
  ado::TADOCommand venda, cfe;
  comando(venda, "acmUpdVendaCupomSat", kUpdVenda);
  comando(cfe, "acmUpdVendaCFeSat", kUpdCFe);
  ado::JoinedTransaction transacao(conexao);
  for (ado::TADOCommand* cmd : {&venda, &cfe}) {
    BindChave(*cmd, CDFILIAL, CDCAIXA, NRSEQVENDA);
    cmd->ParamByName("P_NRCFESAT").SetAsString(NRCFESAT);
    cmd->ParamByName("P_NRCHAVECFE").SetAsString(NRCHAVECFE);
    cmd->ParamByName("P_DSQRCODECFE").SetAsString(DSQRCODECFE);
  }
  if (venda.Execute() == 0) {
    throw rtl::EDatabaseError("Sale " + CDFILIAL + "/" + CDCAIXA + "/" + NRSEQVENDA +
                              " not found in VENDA: its SAT document (CF-e " + NRCFESAT +
                              ") cannot be stored");
  }
  if (cfe.Execute() == 0) {
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
  query.Name = "adqCaixaFiscalSat";
  query.Setup(conexao, kSelBiblioteca, Parametros({"P_CDFILIAL", "P_CDCAIXA"}));
  BindChave(query, CDFILIAL, CDCAIXA, "");
  query.Open();
  return query.IsEmpty() ? "" : Campo(query, "DSLIBSAT");
}

}  // namespace VyrFiscal::Sat
