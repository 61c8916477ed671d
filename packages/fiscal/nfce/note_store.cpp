#include "fiscal/nfce/note_store.h"

#include "db/statement_kit.h"
#include "fiscal/kept_settings.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "vyrutil/crypto.h"
#include "vyrutil/xml_folder.h"

namespace VyrFiscal::Nfce {
namespace {

const char* const kInsNota =
    R"mssql(INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, NRNFCE, NRSERIENFCE, IDTPEMISNFCE, IDAMBNFCE, DSDHEMINFCE, DSARQXMLNFCE, DSQRCODENFCE, DSURLCONSNFCE, IDSITUNFCE, QTTENTENVNFCE, DTHREMISNFCE) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_NRSEQVENDA, :P_CDCHAVENFCE, :P_NRNFCE, :P_NRSERIENFCE, :P_IDTPEMISNFCE, :P_IDAMBNFCE, :P_DSDHEMINFCE, :P_DSARQXMLNFCE, :P_DSQRCODENFCE, :P_DSURLCONSNFCE, 'pending', 0, :P_DTHREMISNFCE))mssql";

const char* const kSelPorVenda =
    R"mssql(SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, NRNFCE, NRSERIENFCE, IDTPEMISNFCE, IDAMBNFCE, DSDHEMINFCE, DSARQXMLNFCE, DSQRCODENFCE, DSURLCONSNFCE, IDSITUNFCE, NRPROTNFCE, DSDHRECBTO, DSMOTIVONFCE, QTTENTENVNFCE, CDCHAVEANTNFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kSelPorChave =
    R"mssql(SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, NRNFCE, NRSERIENFCE, IDTPEMISNFCE, IDAMBNFCE, DSDHEMINFCE, DSARQXMLNFCE, DSQRCODENFCE, DSURLCONSNFCE, IDSITUNFCE, NRPROTNFCE, DSDHRECBTO, DSMOTIVONFCE, QTTENTENVNFCE, CDCHAVEANTNFCE FROM NFCEVENDA WHERE CDCHAVENFCE = :P_CDCHAVENFCE)mssql";

// The queue's order: emission time, then the sale number for notes of the same second.
const char* const kSelNaoAutorizadas =
    R"mssql(SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, NRNFCE, NRSERIENFCE, IDTPEMISNFCE, IDAMBNFCE, DSDHEMINFCE, DSARQXMLNFCE, DSQRCODENFCE, DSURLCONSNFCE, IDSITUNFCE, NRPROTNFCE, DSDHRECBTO, DSMOTIVONFCE, QTTENTENVNFCE, CDCHAVEANTNFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDSITUNFCE IN ('pending', 'unknown') ORDER BY DTHREMISNFCE, NRSEQVENDA)mssql";

const char* const kUpdEnvio =
    R"mssql(UPDATE NFCEVENDA SET IDSITUNFCE = 'unknown', QTTENTENVNFCE = COALESCE(QTTENTENVNFCE, 0) + 1, DTHRULTENVNFCE = :P_DTHRULTENVNFCE WHERE CDCHAVENFCE = :P_CDCHAVENFCE)mssql";

const char* const kUpdSituacao =
    R"mssql(UPDATE NFCEVENDA SET IDSITUNFCE = :P_IDSITUNFCE, NRPROTNFCE = :P_NRPROTNFCE, DSDHRECBTO = :P_DSDHRECBTO, DTHRAUTNFCE = :P_DTHRAUTNFCE, DSMOTIVONFCE = :P_DSMOTIVONFCE WHERE CDCHAVENFCE = :P_CDCHAVENFCE)mssql";

const char* const kUpdSubstitui =
    R"mssql(UPDATE NFCEVENDA SET CDCHAVENFCE = :P_CDCHAVENFCE, IDTPEMISNFCE = :P_IDTPEMISNFCE, DSARQXMLNFCE = :P_DSARQXMLNFCE, DSQRCODENFCE = :P_DSQRCODENFCE, IDSITUNFCE = 'pending', DSMOTIVONFCE = :P_DSMOTIVONFCE, CDCHAVEANTNFCE = :P_CDCHAVEANTNFCE WHERE CDCHAVENFCE = :P_CDCHAVESUBST)mssql";

// The replaced note comes back as the sale's note; the contingency note it replaced is kept as
// the one replaced, so that the two keys stay linked.
const char* const kUpdRetoma =
    R"mssql(UPDATE NFCEVENDA SET CDCHAVENFCE = :P_CDCHAVENFCE, IDTPEMISNFCE = :P_IDTPEMISNFCE, DSARQXMLNFCE = :P_DSARQXMLNFCE, DSQRCODENFCE = :P_DSQRCODENFCE, CDCHAVEANTNFCE = :P_CDCHAVEANTNFCE WHERE CDCHAVENFCE = :P_CDCHAVESUBST)mssql";

const char* const kSelConfiguracao =
    R"mssql(SELECT NRSERIENFCE, IDCSCNFCE, CDCSCNFCE, DSARQCERTIF, DSSENHACERTIF, IDMODOAUTORIZ, DSURLQRCODE, DSURLCHAVE FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// "YYYY-MM-DDThh:mm:ss..." as a local date-time; NULL when the text is not one.
rtl::Variant DataHoraDe(const std::string& texto) {
  try {
    return rtl::Variant::FromDateTime(rtl::ParseSqlDateTime(texto.substr(0, 19)));
  } catch (const rtl::EConvertError&) {
    return rtl::Variant::Null();
  }
}

NotaGravada LeLinha(ado::TADOQuery& query) {
  NotaGravada nota;
  auto campo = [&query](const char* nome) { return query.FieldByName(nome).AsString(); };
  nota.CDFILIAL = campo("CDFILIAL");
  nota.CDCAIXA = campo("CDCAIXA");
  nota.NRSEQVENDA = campo("NRSEQVENDA");
  nota.chave = campo("CDCHAVENFCE");
  nota.nNF = campo("NRNFCE");
  nota.serie = campo("NRSERIENFCE");
  nota.tpEmis = campo("IDTPEMISNFCE");
  nota.tpAmb = campo("IDAMBNFCE");
  nota.dhEmi = campo("DSDHEMINFCE");
  nota.arquivoXml = VyrUtil::CaminhoLido(campo("DSARQXMLNFCE"));
  nota.qrCode = campo("DSQRCODENFCE");
  nota.urlChave = campo("DSURLCONSNFCE");
  nota.situacao = campo("IDSITUNFCE");
  nota.protocolo = campo("NRPROTNFCE");
  nota.dhRecbto = campo("DSDHRECBTO");
  nota.motivo = campo("DSMOTIVONFCE");
  nota.tentativas = static_cast<int>(query.FieldByName("QTTENTENVNFCE").AsInteger());
  nota.chaveAnterior = campo("CDCHAVEANTNFCE");
  return nota;
}

std::vector<NotaGravada> Le(ado::TADOConnection& conexao, const char* sql,
                            const ado::Bindings& chave) {
  std::vector<NotaGravada> notas;
  ado::ForEachRow(conexao, "adqNfceVenda", sql, ado::ParamsFor(chave), chave,
                  [&notas](ado::TADOQuery& query) { notas.push_back(LeLinha(query)); });
  return notas;
}

NotaGravada Primeira(std::vector<NotaGravada> notas) {
  return notas.empty() ? NotaGravada{} : notas.front();
}

}  // namespace

void GravaNota(ado::TADOConnection& conexao, const NotaGravada& nota) {
  std::vector<ado::ParamDecl> parametros =
      ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA", "P_CDCHAVENFCE", "P_NRNFCE",
                       "P_NRSERIENFCE", "P_IDTPEMISNFCE", "P_IDAMBNFCE", "P_DSDHEMINFCE",
                       "P_DSARQXMLNFCE", "P_DSQRCODENFCE", "P_DSURLCONSNFCE"});
  parametros.push_back(ado::DateTimeParam("P_DTHREMISNFCE"));
  ado::RunCommand(conexao, "acmInsNfceVenda", kInsNota, std::move(parametros),
                  {{"P_CDFILIAL", nota.CDFILIAL},
                   {"P_CDCAIXA", nota.CDCAIXA},
                   {"P_NRSEQVENDA", nota.NRSEQVENDA},
                   {"P_CDCHAVENFCE", nota.chave},
                   {"P_NRNFCE", nota.nNF},
                   {"P_NRSERIENFCE", nota.serie},
                   {"P_IDTPEMISNFCE", nota.tpEmis},
                   {"P_IDAMBNFCE", nota.tpAmb},
                   {"P_DSDHEMINFCE", nota.dhEmi},
                   {"P_DSARQXMLNFCE", VyrUtil::CaminhoGravado(nota.arquivoXml)},
                   {"P_DSQRCODENFCE", nota.qrCode},
                   {"P_DSURLCONSNFCE", nota.urlChave},
                   {"P_DTHREMISNFCE", DataHoraDe(nota.dhEmi)}});
}

NotaGravada NotaDaVenda(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                        const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  return Primeira(
      Le(conexao, kSelPorVenda,
         {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}, {"P_NRSEQVENDA", NRSEQVENDA}}));
}

NotaGravada NotaDaChave(ado::TADOConnection& conexao, const std::string& chave) {
  return Primeira(Le(conexao, kSelPorChave, {{"P_CDCHAVENFCE", chave}}));
}

std::vector<NotaGravada> NotasNaoAutorizadas(ado::TADOConnection& conexao,
                                             const std::string& CDFILIAL,
                                             const std::string& CDCAIXA) {
  return Le(conexao, kSelNaoAutorizadas, {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}});
}

void MarcaEnvio(ado::TADOConnection& conexao, const std::string& chave) {
  ado::RunCommand(
      conexao, "acmUpdEnvioNfce", kUpdEnvio,
      {ado::DateTimeParam("P_DTHRULTENVNFCE"), ado::TextParam("P_CDCHAVENFCE")},
      {{"P_DTHRULTENVNFCE", rtl::Variant::FromDateTime(rtl::Now())}, {"P_CDCHAVENFCE", chave}});
}

void GravaSituacao(ado::TADOConnection& conexao, const std::string& chave,
                   const std::string& situacao, const std::string& protocolo,
                   const std::string& dhRecbto, const std::string& motivo) {
  std::vector<ado::ParamDecl> parametros = ado::TextParams(
      {"P_IDSITUNFCE", "P_NRPROTNFCE", "P_DSDHRECBTO", "P_DSMOTIVONFCE", "P_CDCHAVENFCE"});
  parametros.push_back(ado::DateTimeParam("P_DTHRAUTNFCE"));
  ado::RunCommand(conexao, "acmUpdSituacaoNfce", kUpdSituacao, std::move(parametros),
                  {{"P_IDSITUNFCE", situacao},
                   {"P_NRPROTNFCE", ado::TextOrNull(protocolo)},
                   {"P_DSDHRECBTO", ado::TextOrNull(dhRecbto)},
                   {"P_DTHRAUTNFCE", DataHoraDe(dhRecbto)},
                   {"P_DSMOTIVONFCE", ado::TextOrNull(motivo.substr(0, 255))},
                   {"P_CDCHAVENFCE", chave}});
}

void SubstituiNota(ado::TADOConnection& conexao, const std::string& chaveAnterior,
                   const NotaGravada& nova, const std::string& motivo) {
  ado::RunCommand(
      conexao, "acmUpdSubstituiNfce", kUpdSubstitui,
      ado::TextParams({"P_CDCHAVENFCE", "P_IDTPEMISNFCE", "P_DSARQXMLNFCE", "P_DSQRCODENFCE",
                       "P_DSMOTIVONFCE", "P_CDCHAVEANTNFCE", "P_CDCHAVESUBST"}),
      {{"P_CDCHAVENFCE", nova.chave},
       {"P_IDTPEMISNFCE", nova.tpEmis},
       {"P_DSARQXMLNFCE", VyrUtil::CaminhoGravado(nova.arquivoXml)},
       {"P_DSQRCODENFCE", nova.qrCode},
       {"P_DSMOTIVONFCE", ado::TextOrNull(motivo.substr(0, 255))},
       {"P_CDCHAVEANTNFCE", chaveAnterior},
       {"P_CDCHAVESUBST", chaveAnterior}});
}

void RetomaNotaAnterior(ado::TADOConnection& conexao, const std::string& chaveAtual,
                        const NotaGravada& anterior) {
  ado::RunCommand(conexao, "acmUpdRetomaNfce", kUpdRetoma,
                  ado::TextParams({"P_CDCHAVENFCE", "P_IDTPEMISNFCE", "P_DSARQXMLNFCE",
                                   "P_DSQRCODENFCE", "P_CDCHAVEANTNFCE", "P_CDCHAVESUBST"}),
                  {{"P_CDCHAVENFCE", anterior.chave},
                   {"P_IDTPEMISNFCE", anterior.tpEmis},
                   {"P_DSARQXMLNFCE", VyrUtil::CaminhoGravado(anterior.arquivoXml)},
                   {"P_DSQRCODENFCE", anterior.qrCode},
                   {"P_CDCHAVEANTNFCE", chaveAtual},
                   {"P_CDCHAVESUBST", chaveAtual}});
}

rtl::TDateTime MomentoDaEmissao(const NotaGravada& nota) {
  const rtl::Variant momento = DataHoraDe(nota.dhEmi);
  return momento.IsNull() ? 0 : momento.AsDateTime();
}

namespace {

ConfiguracaoNfce LeDoBanco(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                           const std::string& CDCAIXA) {
  const std::string caixa = "register " + CDFILIAL + "/" + CDCAIXA;
  ConfiguracaoNfce configuracao;
  std::string senha;
  const bool existe = ado::ReadFirstRow(
      conexao, "adqCaixaFiscal", kSelConfiguracao, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
      {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}}, [&](ado::TADOQuery& query) {
        auto campo = [&](const char* nome, bool obrigatorio) {
          const std::string valor = query.FieldByName(nome).AsString();
          if (obrigatorio && valor.empty()) {
            throw rtl::EDatabaseError("NFC-e: CAIXAFISCAL." + std::string(nome) + " of " + caixa +
                                      " is empty");
          }
          return valor;
        };
        configuracao.serie = campo("NRSERIENFCE", false);
        configuracao.idCSC = campo("IDCSCNFCE", true);
        configuracao.CSC = campo("CDCSCNFCE", true);
        configuracao.arquivoCertificado = campo("DSARQCERTIF", true);
        senha = campo("DSSENHACERTIF", false);
        configuracao.modo = campo("IDMODOAUTORIZ", false);
        configuracao.offline = configuracao.modo == kModoAutorizOffline;
        configuracao.urlQrCode = campo("DSURLQRCODE", false);
        configuracao.urlChave = campo("DSURLCHAVE", false);
      });
  if (!existe) {
    throw rtl::EDatabaseError("NFC-e: " + caixa + " has no fiscal settings (table CAIXAFISCAL)");
  }
  if (configuracao.arquivoCertificado.front() != '/') {
    configuracao.arquivoCertificado =
        rtl::ProgramDirectory() + "/" + configuracao.arquivoCertificado;
  }
  try {
    configuracao.senhaCertificado = VyrUtil::Uncripto(senha, kChaveSenhaCertificado);
  } catch (const rtl::EConvertError&) {
    throw rtl::EDatabaseError("NFC-e: CAIXAFISCAL.DSSENHACERTIF of " + caixa +
                              " is not an encrypted password (****)");
  }
  return configuracao;
}

}  // namespace

// Kept (fiscal/kept_settings.h): the note's build, its sending and the receipt each need the
// settings, for every sale of the register. Settings that fail to read are not kept.
ConfiguracaoNfce LeConfiguracaoNfce(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                    const std::string& CDCAIXA) {
  static Guardadas<ConfiguracaoNfce> guardadas;
  return guardadas.Busca(CDFILIAL + "|" + CDCAIXA,
                         [&] { return LeDoBanco(conexao, CDFILIAL, CDCAIXA); });
}

}  // namespace VyrFiscal::Nfce
