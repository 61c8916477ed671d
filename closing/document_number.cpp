// The bill's electronic-document number: drawn once per bill and kept for it in NUMDOCRESERV,
// so that every retry of a bill that stays pending reuses it; and the numbers left behind by
// bills that are no longer pending, released when a note carries them, voided otherwise.

#include <exception>
#include <string>

#include "closing/closing_context.h"
#include "db/statement_kit.h"
#include "external/fiscal_device.h"
#include "external/receivables.h"
#include "rtl/datetime.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

// The register's reservations whose bill no longer waits for the automatic closing; a voiding
// without answer is asked again only after kMinutosEntreInutilizacoes.
const char* const kSelDeixados =
    R"mssql(SELECT R.CDMODDOCFIS, R.NRSERIEDOCFIS, R.IDAMBDOCFIS, R.NRDOCFIS, R.NRCOMANDA FROM NUMDOCRESERV R WHERE R.CDFILIAL = :P_CDFILIAL AND R.CDCAIXA = :P_CDCAIXA AND (R.IDSITRESERVA = 'reserved' OR (R.IDSITRESERVA = 'voiding' AND (R.DTHRTENTINUT IS NULL OR R.DTHRTENTINUT < :P_DTHRLIMITE))) AND NOT EXISTS (SELECT 1 FROM COMANDAVEN CV WHERE CV.CDFILIAL = R.CDFILIAL AND CV.NRVENDAREST = R.NRVENDAREST AND CV.NRCOMANDA = R.NRCOMANDA AND CV.IDIMPCUPEXP = '2'))mssql";

const char* const kSelNotasDoNumero =
    R"mssql(SELECT NRSERIENFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND NRNFCE IN (:P_NRNFCE, :P_NRNFCESEMZEROS) AND IDAMBNFCE = :P_IDAMBNFCE)mssql";

const char* const kDelReserva =
    R"mssql(DELETE FROM NUMDOCRESERV WHERE CDFILIAL = :P_CDFILIAL AND CDMODDOCFIS = :P_CDMODDOCFIS AND NRSERIEDOCFIS = :P_NRSERIEDOCFIS AND IDAMBDOCFIS = :P_IDAMBDOCFIS AND NRDOCFIS = :P_NRDOCFIS)mssql";

const char* const kUpdReserva =
    R"mssql(UPDATE NUMDOCRESERV SET IDSITRESERVA = :P_IDSITRESERVA, DSMOTIVORESERVA = :P_DSMOTIVORESERVA, DTHRTENTINUT = :P_DTHRTENTINUT WHERE CDFILIAL = :P_CDFILIAL AND CDMODDOCFIS = :P_CDMODDOCFIS AND NRSERIEDOCFIS = :P_NRSERIEDOCFIS AND IDAMBDOCFIS = :P_IDAMBDOCFIS AND NRDOCFIS = :P_NRDOCFIS)mssql";

// An authority out of reach is not asked again at every closing: each try may wait for the
// connection's time-out.
constexpr int kMinutosEntreInutilizacoes = 10;

const char* const kModeloNfce = "65";
const char* const kModeloSat = "59";

struct Reserva {
  std::string CDFILIAL, modelo, serie, ambiente, numero, NRCOMANDA;
};

ado::Bindings ChaveDe(const Reserva& r) {
  return {{"P_CDFILIAL", r.CDFILIAL},
          {"P_CDMODDOCFIS", r.modelo},
          {"P_NRSERIEDOCFIS", r.serie},
          {"P_IDAMBDOCFIS", r.ambiente},
          {"P_NRDOCFIS", r.numero}};
}

std::string SemZerosAEsquerda(const std::string& texto) {
  const size_t primeiro = texto.find_first_not_of('0');
  return primeiro == std::string::npos ? "0" : texto.substr(primeiro);
}

// True when a note of the branch carries the number in the reservation's series.
bool NumeroUsado(TrdmImpExpKds& dm, const Reserva& r) {
  bool usado = false;
  ado::ForEachRow(dm.adcImpExpKds, "adqNotasDoNumero", kSelNotasDoNumero,
                  ado::TextParams({"P_CDFILIAL", "P_NRNFCE", "P_NRNFCESEMZEROS", "P_IDAMBNFCE"}),
                  {{"P_CDFILIAL", r.CDFILIAL},
                   {"P_NRNFCE", r.numero},
                   {"P_NRNFCESEMZEROS", SemZerosAEsquerda(r.numero)},
                   {"P_IDAMBNFCE", r.ambiente}},
                  [&](ado::TADOQuery& query) {
                    usado =
                        usado || SemZerosAEsquerda(query.FieldByName("NRSERIENFCE").AsString()) ==
                                     SemZerosAEsquerda(r.serie);
                  });
  return usado;
}

void Grava(TrdmImpExpKds& dm, const Reserva& r, const std::string& situacao,
           const std::string& motivo) {
  ado::Bindings ligacoes = ChaveDe(r);
  ligacoes.push_back({"P_IDSITRESERVA", situacao});
  ligacoes.push_back({"P_DSMOTIVORESERVA", ado::TextOrNull(motivo.substr(0, 255))});
  ligacoes.push_back({"P_DTHRTENTINUT", Variant::FromDateTime(rtl::Now())});
  std::vector<ado::ParamDecl> parametros =
      ado::TextParams({"P_IDSITRESERVA", "P_CDFILIAL", "P_CDMODDOCFIS", "P_NRSERIEDOCFIS",
                       "P_IDAMBDOCFIS", "P_NRDOCFIS"});
  parametros.push_back(ado::TextParam("P_DSMOTIVORESERVA", 255));
  parametros.push_back(ado::DateTimeParam("P_DTHRTENTINUT"));
  ado::RunCommand(dm.adcImpExpKds, "acmUpdReserva", kUpdReserva, std::move(parametros), ligacoes);
}

// The number was drawn and will never be used: the authority is told, so the gap is not taken
// for a missing note. The reservation says "voiding" before the call, so a crash during it
// sends the same request again on the next pass, which the authority answers as already voided.
void Inutiliza(TrdmImpExpKds& dm, const std::string& CDCAIXA, const Reserva& r) {
  LogImpExpKDS("Inutilizando a NFC-e numero " + r.numero + " serie " + r.serie +
               ", reservada para a comanda " + r.NRCOMANDA + " que nao esta mais pendente");
  Grava(dm, r, "voiding", "");
  std::string resposta;
  try {
    resposta = InutilizaNumeroNFCe(r.CDFILIAL, CDCAIXA, r.serie, r.numero, r.ambiente);
  } catch (const std::exception& erro) {
    // The bill being closed must not fail for another bill's number: it is tried again.
    resposta = RespostaErro(erro.what());
  }
  LogImpExpKDS("Inutilizacao da NFC-e numero " + r.numero + " serie " + r.serie + ": " + resposta);
  if (RespostaEhErro(resposta)) {
    Grava(dm, r, "voiding", resposta);  // no answer: asked again on the next pass
  } else if (resposta.compare(0, 4, "102 ") == 0 || resposta.compare(0, 4, "206 ") == 0 ||
             resposta.compare(0, 4, "563 ") == 0) {
    Grava(dm, r, "voided", resposta);
  } else {
    Grava(dm, r, "refused", resposta);  // support must look at it; it is not sent again
  }
}

}  // namespace

void SettleLeftBehindNumbers(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  std::vector<Reserva> deixadas;
  std::vector<ado::ParamDecl> parametros = ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"});
  parametros.push_back(ado::DateTimeParam("P_DTHRLIMITE"));
  ado::ForEachRow(
      dm.adcImpExpKds, "adqNumerosDeixados", kSelDeixados, std::move(parametros),
      {{"P_CDFILIAL", conta.CDFILIAL},
       {"P_CDCAIXA", conta.CDCAIXA},
       {"P_DTHRLIMITE", Variant::FromDateTime(rtl::Now() - kMinutosEntreInutilizacoes / 1440.0)}},
      [&](ado::TADOQuery& query) {
        Reserva r;
        r.CDFILIAL = conta.CDFILIAL;
        r.modelo = query.FieldByName("CDMODDOCFIS").AsString();
        r.serie = query.FieldByName("NRSERIEDOCFIS").AsString();
        r.ambiente = query.FieldByName("IDAMBDOCFIS").AsString();
        r.numero = query.FieldByName("NRDOCFIS").AsString();
        r.NRCOMANDA = query.FieldByName("NRCOMANDA").AsString();
        deixadas.push_back(r);
      });
  for (const Reserva& r : deixadas) {
    // A CF-e's number is the device's: the drawn one is only the closing's, nothing to void.
    if (r.modelo == kModeloSat || NumeroUsado(dm, r)) {
      ado::RunCommand(dm.adcImpExpKds, "acmDelReserva", kDelReserva,
                      ado::TextParams({"P_CDFILIAL", "P_CDMODDOCFIS", "P_NRSERIEDOCFIS",
                                       "P_IDAMBDOCFIS", "P_NRDOCFIS"}),
                      ChaveDe(r));
    } else {
      Inutiliza(dm, conta.CDCAIXA, r);
    }
  }
}

bool PrepareDocumentNumber(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  // A refused bill would hold its number, pending, until it is mended or dropped, and then void
  // it: the package is asked first, and a number is drawn only for a sale it will record.
  const std::string resposta = VerificaFechamento(ClosingTables(dm), ClosingParameters(dm, conta));
  if (RespostaEhErro(resposta)) {
    conta.dsRetornoFechamento = resposta;
    return false;
  }
  if (resposta.empty()) {
    // The numbers of bills closed or dropped since are settled first: released or voided.
    SettleLeftBehindNumbers(dm, conta);
    conta.nrNfce = BillDocumentNumber(dm, conta);
  }
  conta.dtEmissNfce = getDataEmissNFCe();
  return true;
}

std::string BillDocumentNumber(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  return ReservaNumeroNFCe(conta.CDFILIAL, conta.CDCAIXA, conta.nrSerieNfce, dm.idAmbTrabNfce,
                           dm.boVyrNfce, conta.NRVENDAREST, conta.NRCOMANDA)
      .AsString();
}

}  // namespace Cli_Qam00417::closing

namespace Cli_Qam00417 {

void TrdmImpExpKds::AcertaNumerosDeixados(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  closing::ContaEmFechamento conta;
  conta.CDFILIAL = CDFILIAL;
  conta.CDCAIXA = CDCAIXA;
  closing::SettleLeftBehindNumbers(*this, conta);
}

}  // namespace Cli_Qam00417
