#include "fiscal/receipt/receipt_state.h"

#include <atomic>

#include "db/db_error.h"
#include "db/statement_kit.h"
#include "rtl/datetime.h"

namespace VyrFiscal::Cupom {
namespace {

const char* const kInsCupom =
    R"mssql(INSERT INTO VENDACUPOM (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUCUPOM, QTTENTCUPOM, QTREIMPCUPOM, DTHRSITUCUPOM) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_NRSEQVENDA, :P_IDSITUCUPOM, :P_QTTENTCUPOM, :P_QTREIMPCUPOM, :P_DTHRSITUCUPOM))mssql";

// The compare-and-set that makes two takers of one receipt agree: only one of them finds it
// still owed. A receipt is printed only for a sale that is sold and has its document, or an NFC-e
// issued offline (its contingency DANFE): a closing that meets its bill again before the document
// exists prints nothing, and the document pass prints it once the document is there.
const char* const kUpdReserva =
    R"mssql(UPDATE VENDACUPOM SET IDSITUCUPOM = 'IMPRIMINDO', QTTENTCUPOM = QTTENTCUPOM + 1, DTHRSITUCUPOM = :P_DTHRSITUCUPOM WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA AND (IDSITUCUPOM = 'PENDENTE' OR (IDSITUCUPOM = 'FALHOU' AND QTTENTCUPOM < :P_QTTENTCUPOM)) AND EXISTS (SELECT VE.NRSEQVENDA FROM VENDA VE LEFT JOIN NFCEVENDA NF ON NF.CDFILIAL = VE.CDFILIAL AND NF.CDCAIXA = VE.CDCAIXA AND NF.NRSEQVENDA = VE.NRSEQVENDA WHERE VE.CDFILIAL = :P_CDFILIAL AND VE.CDCAIXA = :P_CDCAIXA AND VE.NRSEQVENDA = :P_NRSEQVENDA AND VE.IDSITUVENDA = 'A' AND (VE.IDDOCPENDVENDA IS NULL OR (VE.IDDOCPENDVENDA = 'CONTING' AND NF.IDTPEMISNFCE = '9'))))mssql";

// An interrupted print: still "IMPRIMINDO" since before the limit.
const char* const kUpdInterrompida =
    R"mssql(UPDATE VENDACUPOM SET IDSITUCUPOM = 'IMPRIMINDO', QTTENTCUPOM = QTTENTCUPOM + 1, DTHRSITUCUPOM = :P_DTHRSITUCUPOM WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA AND IDSITUCUPOM = 'IMPRIMINDO' AND DTHRSITUCUPOM < :P_DTHRLIMITE AND QTTENTCUPOM < :P_QTTENTCUPOM)mssql";

const char* const kUpdReimpressao =
    R"mssql(UPDATE VENDACUPOM SET IDSITUCUPOM = 'IMPRIMINDO', QTREIMPCUPOM = QTREIMPCUPOM + 1, DTHRSITUCUPOM = :P_DTHRSITUCUPOM WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

const char* const kUpdResultado =
    R"mssql(UPDATE VENDACUPOM SET IDSITUCUPOM = :P_IDSITUCUPOM, DSERROCUPOM = :P_DSERROCUPOM, DTHRSITUCUPOM = :P_DTHRSITUCUPOM WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

// A note issued offline is printed before it is authorised: the delivery leaves with its
// contingency DANFE. The states still owed are named as the receipts' index names them, so the
// search reads those receipts alone, never the printed history.
const char* const kSelDevidos =
    R"mssql(SELECT CP.NRSEQVENDA FROM VENDACUPOM CP INNER JOIN VENDA VE ON VE.CDFILIAL = CP.CDFILIAL AND VE.CDCAIXA = CP.CDCAIXA AND VE.NRSEQVENDA = CP.NRSEQVENDA LEFT JOIN NFCEVENDA NF ON NF.CDFILIAL = CP.CDFILIAL AND NF.CDCAIXA = CP.CDCAIXA AND NF.NRSEQVENDA = CP.NRSEQVENDA WHERE CP.CDFILIAL = :P_CDFILIAL AND CP.CDCAIXA = :P_CDCAIXA AND CP.IDSITUCUPOM IN ('PENDENTE', 'FALHOU', 'IMPRIMINDO') AND (CP.IDSITUCUPOM <> 'IMPRIMINDO' OR CP.DTHRSITUCUPOM < :P_DTHRLIMITE) AND CP.QTTENTCUPOM < :P_QTTENTCUPOM AND VE.IDSITUVENDA = 'A' AND (VE.IDDOCPENDVENDA IS NULL OR (VE.IDDOCPENDVENDA = 'CONTING' AND NF.IDTPEMISNFCE = '9')) ORDER BY CP.NRSEQVENDA)mssql";

const char* const kSqlStateRestricao = "23000";
const size_t kTamanhoErro = 255;

std::atomic<rtl::TDateTime> inicioDaImpressora{0};

rtl::Variant LimiteInterrompida() {
  const rtl::TDateTime agora = rtl::Now();
  const rtl::TDateTime inicio = inicioDaImpressora.load();
  const rtl::TDateTime prazo = agora - kPrazoImpressao / 86400.0;
  // Marks keep whole seconds: one of the start's own second was made before it, since this
  // process's prints and their checks run one after the other.
  const rtl::TDateTime antesDoInicio = inicio + 1.0 / 86400;
  return rtl::Variant::FromDateTime(inicio > prazo && inicio <= agora ? antesDoInicio : prazo);
}

ado::Bindings Chave(const VendaDoCupom& venda) {
  return {{"P_CDFILIAL", venda.CDFILIAL},
          {"P_CDCAIXA", venda.CDCAIXA},
          {"P_NRSEQVENDA", venda.NRSEQVENDA},
          {"P_DTHRSITUCUPOM", rtl::Variant::FromDateTime(rtl::Now())}};
}

void Insere(ado::TADOConnection& conexao, const VendaDoCupom& venda, const char* situacao,
            int tentativas, int reimpressoes) {
  ado::Bindings ligacoes = Chave(venda);
  ado::AppendBindings(ligacoes, {{"P_IDSITUCUPOM", situacao},
                                 {"P_QTTENTCUPOM", static_cast<int64_t>(tentativas)},
                                 {"P_QTREIMPCUPOM", static_cast<int64_t>(reimpressoes)}});
  ado::RunCommand(conexao, "acmInsVendaCupom", kInsCupom, ligacoes);
}

bool Atualiza(ado::TADOConnection& conexao, const char* nome, const char* sql,
              ado::Bindings ligacoes, const ado::Bindings& mais) {
  ado::AppendBindings(ligacoes, mais);
  return ado::RunCommand(conexao, nome, sql, ligacoes) > 0;
}

Reserva Reimpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda) {
  return Atualiza(conexao, "acmUpdVendaCupomReimpressao", kUpdReimpressao, Chave(venda), {})
             ? Reserva::SegundaVia
             : Reserva::Nenhuma;
}

Reserva ReservaAutomatica(ado::TADOConnection& conexao, const VendaDoCupom& venda) {
  const ado::Bindings tentativas = {{"P_QTTENTCUPOM", static_cast<int64_t>(kTentativasCupom)}};
  if (Atualiza(conexao, "acmUpdVendaCupomReserva", kUpdReserva, Chave(venda), tentativas)) {
    return Reserva::Primeira;
  }
  ado::Bindings interrompida = tentativas;
  interrompida.push_back({"P_DTHRLIMITE", LimiteInterrompida()});
  return Atualiza(conexao, "acmUpdVendaCupomInterrompida", kUpdInterrompida, Chave(venda),
                  interrompida)
             ? Reserva::SegundaVia
             : Reserva::Nenhuma;
}

}  // namespace

void MarcaInicioDaImpressora() {
  inicioDaImpressora.store(rtl::Now());
}

void RegistraCupomPendente(ado::TADOConnection& conexao, const VendaDoCupom& venda) {
  Insere(conexao, venda, kCupomPendente, 0, 0);
}

Reserva ReservaImpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda,
                         bool reimpressao) {
  const Reserva tomada =
      reimpressao ? Reimpressao(conexao, venda) : ReservaAutomatica(conexao, venda);
  if (tomada != Reserva::Nenhuma) return tomada;
  // A sale recorded before receipts kept a state has no row yet: the insert takes it, and loses
  // to whoever made the row first.
  try {
    Insere(conexao, venda, kCupomImprimindo, reimpressao ? 0 : 1, reimpressao ? 1 : 0);
  } catch (const ado::EADOError& erro) {
    if (erro.SqlState() != kSqlStateRestricao) throw;
    return reimpressao ? Reimpressao(conexao, venda) : Reserva::Nenhuma;
  }
  return reimpressao ? Reserva::SegundaVia : Reserva::Primeira;
}

void RegistraImpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda,
                       const std::string& erro) {
  ado::Bindings ligacoes = Chave(venda);
  ado::AppendBindings(ligacoes, {{"P_IDSITUCUPOM", erro.empty() ? kCupomImpresso : kCupomFalhou},
                                 {"P_DSERROCUPOM", ado::TextOrNull(erro.substr(0, kTamanhoErro))}});
  ado::RunCommand(conexao, "acmUpdVendaCupomResultado", kUpdResultado,
                  {ado::TextParam("P_CDFILIAL"), ado::TextParam("P_CDCAIXA"),
                   ado::TextParam("P_NRSEQVENDA"), ado::DateTimeParam("P_DTHRSITUCUPOM"),
                   ado::TextParam("P_IDSITUCUPOM"), ado::TextParam("P_DSERROCUPOM", 255)},
                  ligacoes);
}

std::vector<std::string> CuponsDevidos(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                       const std::string& CDCAIXA) {
  std::vector<std::string> vendas;
  const ado::Bindings ligacoes = {{"P_CDFILIAL", CDFILIAL},
                                  {"P_CDCAIXA", CDCAIXA},
                                  {"P_DTHRLIMITE", LimiteInterrompida()},
                                  {"P_QTTENTCUPOM", static_cast<int64_t>(kTentativasCupom)}};
  ado::ForEachRow(conexao, "adqCuponsDevidos", kSelDevidos, ado::ParamsFor(ligacoes), ligacoes,
                  [&vendas](ado::TADOQuery& query) {
                    vendas.push_back(query.FieldByName("NRSEQVENDA").AsString());
                  });
  return vendas;
}

}  // namespace VyrFiscal::Cupom
