#include "hostagent/status_command.h"

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "db/statement_kit.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/rejected_notes.h"
#include "fiscal/receipt/receipt_state.h"
#include "hostagent/cancellation_status.h"
#include "hostagent/number_status.h"
#include "hostagent/register_fault_status.h"
#include "hostagent/register_lock.h"
#include "hostagent/run_command.h"
#include "rtl/program_dir.h"
#include "scan/odd_bills.h"
#include "vyrutil/connection_setup.h"
#include "vyrutil/crypto.h"
#include "vyrutil/local_time.h"
#include "worker/log_file_name.h"
#include "worker/worker_status.h"

namespace hostagent {

namespace {

namespace fs = std::filesystem;

constexpr double kSecondsPerDay = 86400.0;

const char* const kSelPedidos =
    R"mssql(SELECT C.NRVENDAREST, C.NRCOMANDA, C.NRCOMANDAEXT, V.DTHRABERMESA FROM COMANDAVEN C LEFT JOIN VENDAREST V ON V.CDFILIAL = C.CDFILIAL AND V.NRVENDAREST = C.NRVENDAREST WHERE C.CDFILIAL = :P_CDFILIAL AND C.CDLOJA = :P_CDLOJA AND C.IDIMPCUPEXP = :P_IDIMPCUPEXP ORDER BY C.NRVENDAREST, C.NRCOMANDA)mssql";

const char* const kSelCaixa =
    R"mssql(SELECT FI.DSFUSOHORARIO FROM CAIXA CX LEFT JOIN FILIAL FI ON FI.CDFILIAL = CX.CDFILIAL WHERE CX.CDFILIAL = :P_CDFILIAL AND CX.CDCAIXA = :P_CDCAIXA AND CX.CDLOJA = :P_CDLOJA)mssql";

const char* const kSelDocumentos =
    R"mssql(SELECT NRSEQVENDA, NRVENDAREST, NRCOMANDAVND, IDDOCPENDVENDA, DTDOCPENDVENDA FROM VENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDDOCPENDVENDA IS NOT NULL ORDER BY NRSEQVENDA)mssql";

// The receipts of the register's sales not printed; those of cancelled sales are owed no more.
const char* const kSelRecibos =
    R"mssql(SELECT CP.NRSEQVENDA, VE.NRVENDAREST, VE.NRCOMANDAVND, VE.IDDOCPENDVENDA, CP.IDSITUCUPOM, CP.QTTENTCUPOM, CP.DTHRSITUCUPOM, CP.DSERROCUPOM, NF.IDTPEMISNFCE FROM VENDACUPOM CP INNER JOIN VENDA VE ON VE.CDFILIAL = CP.CDFILIAL AND VE.CDCAIXA = CP.CDCAIXA AND VE.NRSEQVENDA = CP.NRSEQVENDA LEFT JOIN NFCEVENDA NF ON NF.CDFILIAL = CP.CDFILIAL AND NF.CDCAIXA = CP.CDCAIXA AND NF.NRSEQVENDA = CP.NRSEQVENDA WHERE CP.CDFILIAL = :P_CDFILIAL AND CP.CDCAIXA = :P_CDCAIXA AND CP.IDSITUCUPOM IN (:P_PENDENTE, :P_IMPRIMINDO, :P_FALHOU) AND VE.IDSITUVENDA = 'A' ORDER BY CP.NRSEQVENDA)mssql";

const char* const kSelNotas =
    R"mssql(SELECT CDCHAVENFCE, NRSEQVENDA, IDSITUNFCE, DTHREMISNFCE, QTTENTENVNFCE, DSMOTIVONFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND (IDSITUNFCE = :P_PENDENTE OR IDSITUNFCE = :P_INCERTA) ORDER BY DTHREMISNFCE)mssql";

const char* const kSelCertificado =
    R"mssql(SELECT DSARQCERTIF, DSSENHACERTIF FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// A date-time column as "YYYY-MM-DD HH:MM:SS" and its age in seconds; "" and -1 for NULL.
void ReadTime(ado::TADOQuery& query, const char* column, rtl::TDateTime now, std::string* text,
              long* age) {
  const auto& field = query.FieldByName(column);
  if (field.IsNull()) return;
  const rtl::TDateTime when = field.AsDateTime();
  *text = rtl::FormatSqlDateTime(when);
  *age = std::lround((now - when) * kSecondsPerDay);
}

// The log lines of one order's closing that say why it did not close.
bool IsFailure(const std::string& message) {
  for (const char* mark :
       {" - Qam00417 - ", "Valores gravados", "O tipo de recebimento", "Ocorreu um erro",
        "Pedido não localizado", "raise Exception", "Dados do pedido inválidos"}) {
    if (message.find(mark) != std::string::npos) return true;
  }
  return false;
}

// A log line's time, "DD/MM/YYYY hh:mm:ss", in the report's form "YYYY-MM-DD hh:mm:ss"; a text
// in another form is kept as it is.
std::string SqlFormOfLogTime(const std::string& when) {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  char rest = 0;
  if (std::sscanf(when.c_str(), "%2d/%2d/%4d %2d:%2d:%2d%c", &day, &month, &year, &hour, &minute,
                  &second, &rest) != 6) {
    return when;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return text;
}

struct LogOfOrder {
  std::string quando, falha;
  long espera = -1;
  bool dados_exportados = false;
};

// A line of the scan about a bill the exported data keeps from closing (scan/odd_bills.h):
// "Pedido não fechado (venda V, comanda C): reason". Answers false for any other line.
bool ReadOddBill(const std::string& when, const std::string& message,
                 std::map<std::string, LogOfOrder>& orders) {
  const std::string inicio = Cli_Qam00417::kPedidoNaoFechado;
  if (message.rfind(inicio, 0) != 0) return false;
  const size_t comanda = message.find(", comanda ", inicio.size());
  const size_t fim = message.find("): ", inicio.size());
  if (comanda == std::string::npos || fim == std::string::npos || fim < comanda) return false;
  LogOfOrder& order = orders[message.substr(inicio.size(), comanda - inicio.size()) + "/" +
                             message.substr(comanda + 10, fim - comanda - 10)];
  order.quando = SqlFormOfLogTime(when);
  order.falha = message.substr(fim + 3);
  order.espera = -1;
  order.dados_exportados = true;
  return true;
}

// Reads the daily logs of yesterday and today: each closing runs from "INI-FechaContaNormal(
// branch, register, store, bill, restaurant sale, ...)" to its "FIM-" line.
// Registers sharing a program directory may each write their own log (worker/log_file_name.h):
// both the one file and the register's are read, and only the register's own closings count.
std::map<std::string, LogOfOrder> ReadLogs(const StatusOptions& o, rtl::TDateTime now) {
  std::map<std::string, LogOfOrder> orders;
  const std::string proprio = "_" + Cli_Qam00417::NomeCaixaDoLog(o.filial, o.caixa, o.loja);
  for (const auto& [back, sufixo] :
       {std::pair<int, std::string>{1, ""}, {1, proprio}, {0, ""}, {0, proprio}}) {
    const rtl::DateTimeParts day = rtl::DecodeDateTime(now - back);
    char name[96];
    std::snprintf(name, sizeof name, "/Dados/LogImpExpKDS/LogImpExpKDS%04d/LogImpExpKDS%02d%02d",
                  day.year, day.day, day.month);
    std::ifstream in(o.dir + name + sufixo + ".txt", std::ios::binary);
    std::string line, current;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t dash = line.find(" - ");
      if (dash == std::string::npos) continue;
      const std::string when = line.substr(0, dash), message = line.substr(dash + 3);
      if (ReadOddBill(when, message, orders)) continue;
      if (message.rfind("INI-FechaContaNormal(", 0) == 0) {
        std::vector<std::string> args;
        std::istringstream list(message.substr(21));
        for (std::string arg; std::getline(list, arg, ',');) {
          args.push_back(arg.substr(arg.find_first_not_of(' ') == std::string::npos
                                        ? arg.size()
                                        : arg.find_first_not_of(' ')));
        }
        const bool doCaixa = args.size() >= 5 && args[0] == o.filial && args[1] == o.caixa;
        current = doCaixa ? args[4] + "/" + args[3] : "";
        if (!current.empty()) {
          orders[current].espera = -1;
          orders[current].dados_exportados = false;
        }
      } else if (message.rfind("FIM-FechaContaNormal(", 0) == 0) {
        current.clear();
      } else if (!current.empty() &&
                 message.find(" aguardando nova tentativa em ") != std::string::npos) {
        const size_t at = message.rfind(" em ");
        orders[current].espera = std::atol(message.c_str() + at + 4);
      } else if (!current.empty() && IsFailure(message)) {
        orders[current].quando = SqlFormOfLogTime(when);
        orders[current].falha = message;
      }
    }
  }
  return orders;
}

std::string OpenSslError(const std::string& arquivo) {
  return "o arquivo " + arquivo +
         " nao e um certificado PKCS#12 que a senha do caixa (CAIXAFISCAL.DSSENHACERTIF, ****) "
         "abre";
}

void ReadCertificate(const std::string& arquivo, const std::string& senha, rtl::TDateTime now,
                     CertificateStatus& certificado) {
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_file(arquivo.c_str(), "rb"), BIO_free);
  if (!bio) {
    certificado.erro = "o arquivo " + arquivo + " (CAIXAFISCAL.DSARQCERTIF) nao pode ser lido";
    return;
  }
  std::unique_ptr<PKCS12, decltype(&PKCS12_free)> p12(d2i_PKCS12_bio(bio.get(), nullptr),
                                                      PKCS12_free);
  EVP_PKEY* chave = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  if (!p12 || PKCS12_parse(p12.get(), senha.c_str(), &chave, &cert, &cadeia) != 1 || !cert) {
    EVP_PKEY_free(chave);
    X509_free(cert);
    certificado.erro = OpenSslError(arquivo);
    return;
  }
  EVP_PKEY_free(chave);
  sk_X509_pop_free(cadeia, X509_free);
  std::tm fim{};
  const bool lido = ASN1_TIME_to_tm(X509_get0_notAfter(cert), &fim) == 1;
  X509_free(cert);
  if (!lido) {
    certificado.erro = "a data final do certificado " + arquivo + " nao pode ser lida";
    return;
  }
  const rtl::TDateTime validade = rtl::EncodeDate(fim.tm_year + 1900, fim.tm_mon + 1, fim.tm_mday) +
                                  rtl::EncodeTime(fim.tm_hour, fim.tm_min, fim.tm_sec, 0);
  certificado.validade = rtl::FormatSqlDateTime(validade);
  certificado.dias = static_cast<long>(std::floor(validade - now));
}

// `now`, a local time of this host, as the clocks of the time zone `fuso` show it.
rtl::TDateTime NowIn(rtl::TDateTime now, const std::string& fuso) {
  std::string text = VyrUtil::DataHoraComFuso(now, fuso);  // "YYYY-MM-DDThh:mm:ss-03:00"
  text[10] = ' ';
  return rtl::ParseSqlDateTime(text.substr(0, 19));
}

// A sale of the lists of pending documents and receipts, from its row.
SaleStatus SaleOf(ado::TADOQuery& q, const char* pendente, const char* campo_situacao) {
  SaleStatus venda;
  venda.nrseqvenda = q.FieldByName("NRSEQVENDA").AsString();
  venda.nrvendarest = q.FieldByName("NRVENDAREST").AsString();
  venda.nrcomanda = q.FieldByName("NRCOMANDAVND").AsString();
  venda.pendente = pendente;
  venda.situacao = q.FieldByName(campo_situacao).AsString();
  return venda;
}

// The command that prints a receipt again, for the register the report is about.
std::string ReprintCommand(const StatusReport& r, const std::string& venda) {
  return "hostagent reprint --dir " + r.dir + " --filial " + r.filial + " --caixa " + r.caixa +
         " --loja " + r.loja + " " + venda;
}

// What comes of a receipt not printed, as the receipt pass decides it (receipt_state.h). A
// note issued offline prints its contingency DANFE before it is authorised: its receipt does not
// wait for the document.
void ReceiptOutlook(const StatusReport& r, bool documentoPendente, bool contingenciaOffline,
                    SaleStatus& v) {
  using namespace VyrFiscal::Cupom;
  v.esgotadas = v.tentativas >= kTentativasCupom &&
                (v.situacao == kCupomImprimindo || v.situacao == kCupomFalhou);
  const std::string reprint = ReprintCommand(r, v.nrseqvenda);
  if (v.esgotadas) {
    v.acao = "tentativas automaticas esgotadas: imprima com " + reprint;
  } else if (v.situacao == kCupomImprimindo) {
    v.acao =
        "enviado a impressora sem resultado registrado (uma parada durante a impressao o "
        "deixa assim): impresso de novo automaticamente como 2a via " +
        std::to_string(kPrazoImpressao) + " s depois do envio";
  } else if (documentoPendente && !contingenciaOffline) {
    v.acao = "impresso automaticamente quando o documento for emitido";
  } else if (documentoPendente && v.tentativas == 0) {
    v.acao = "DANFE de contingencia impresso automaticamente na proxima passagem";
  } else {
    v.acao = "nova tentativa automatica na proxima passagem (ate " +
             std::to_string(kTentativasCupom) + " tentativas)";
  }
}

// Runs one part of the report and answers its error ("" when it was read); a part that fails
// adds nothing to the report, so what it shows is never half of it.
template <class Part>
std::string ReadPart(ado::TADOConnection& connection, const std::string& connection_error,
                     const char* what, Part&& part) {
  try {
    if (!connection_error.empty()) throw std::runtime_error(connection_error);
    part();
    return "";
  } catch (const std::exception& e) {
    return std::string("não foi possível ler ") + what + ": " +
           (connection_error.empty() ? VyrUtil::ADOExceptionMessage(e, connection, "")
                                     : connection_error);
  }
}

std::string Joined(const std::string& a, const std::string& b) {
  return a.empty() || b.empty() ? a + b : a + "; " + b;
}

const char* const kSelNotasRecusadas =
    R"mssql(SELECT CDCHAVENFCE, NRSEQVENDA, NRNFCE, NRSERIENFCE, DSDHEMINFCE, DSMOTIVONFCE FROM NFCEVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDSITUNFCE = :P_RECUSADA ORDER BY NRSEQVENDA)mssql";

// What comes of a note sent without answer, or not sent yet.
std::string NoteOutlook(const NoteStatus& n) {
  if (n.situacao == VyrFiscal::Nfce::kSituacaoIncerta) {
    return "enviada sem resposta: o autorizador e consultado pela chave na proxima passagem, "
           "antes de qualquer novo envio";
  }
  return "enviada automaticamente quando o autorizador responder (prazo: 24 h da emissao)";
}

// The register's notes the authoriser refused, each with what the operator does.
std::string ReadRefusedNotes(ado::TADOConnection& connection, const std::string& connection_error,
                             const StatusOptions& o, StatusReport& report) {
  std::vector<NoteStatus> recusadas;
  const std::string erro =
      ReadPart(connection, connection_error, "as notas recusadas (NFCEVENDA)", [&] {
        ado::ForEachRow(connection, "adqNotasRecusadas", kSelNotasRecusadas,
                        ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_RECUSADA"}),
                        {{"P_CDFILIAL", o.filial},
                         {"P_CDCAIXA", o.caixa},
                         {"P_RECUSADA", VyrFiscal::Nfce::kSituacaoRejeitada}},
                        [&](ado::TADOQuery& q) {
                          NoteStatus nota;
                          nota.chave = q.FieldByName("CDCHAVENFCE").AsString();
                          nota.nrseqvenda = q.FieldByName("NRSEQVENDA").AsString();
                          nota.situacao = VyrFiscal::Nfce::kSituacaoRejeitada;
                          nota.emitida = q.FieldByName("DSDHEMINFCE").AsString();
                          nota.motivo = q.FieldByName("DSMOTIVONFCE").AsString();
                          nota.acao = VyrFiscal::Nfce::ProximoPassoRejeicao(
                              q.FieldByName("NRNFCE").AsString(),
                              q.FieldByName("NRSERIENFCE").AsString(), nota.motivo);
                          recusadas.push_back(nota);
                        });
      });
  if (erro.empty()) report.recusadas = recusadas;
  return erro;
}

void ReadStore(const StatusOptions& o, rtl::TDateTime now, StatusReport& report) {
  ado::TADOConnection connection;
  std::string connection_error;
  try {
    // Without the module's session set-up: it would switch the journal mode, a write.
    connection.ConnectionString = StoreConnection(o.dir);
  } catch (const std::exception& e) {
    connection_error = e.what();
  }
  const ado::Binding filial{"P_CDFILIAL", o.filial}, caixa{"P_CDCAIXA", o.caixa},
      loja{"P_CDLOJA", o.loja};
  report.erro_caixa =
      ReadPart(connection, connection_error, "o caixa (CAIXA, FILIAL.DSFUSOHORARIO)", [&] {
        std::string fuso;
        report.caixa_existe = ado::ReadFirstRow(
            connection, "adqCaixaStatus", kSelCaixa,
            ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_CDLOJA"}), {filial, caixa, loja},
            [&](ado::TADOQuery& q) { fuso = q.FieldByName("DSFUSOHORARIO").AsString(); });
        report.fuso = fuso.empty() ? VyrUtil::kFusoPadrao : fuso;
      });
  // Another register's orders or certificate are no facts about this one.
  if (!report.caixa_existe) return;
  std::vector<OrderStatus> pedidos;
  report.erro_pedidos =
      ReadPart(connection, connection_error, "os pedidos (COMANDAVEN, VENDAREST)", [&] {
        ado::ForEachRow(connection, "adqPedidosPendentes", kSelPedidos,
                        ado::TextParams({"P_CDFILIAL", "P_CDLOJA", "P_IDIMPCUPEXP"}),
                        {filial, loja, {"P_IDIMPCUPEXP", "2"}}, [&](ado::TADOQuery& q) {
                          OrderStatus pedido;
                          pedido.nrvendarest = q.FieldByName("NRVENDAREST").AsString();
                          pedido.nrcomanda = q.FieldByName("NRCOMANDA").AsString();
                          pedido.pedido = q.FieldByName("NRCOMANDAEXT").AsString();
                          ReadTime(q, "DTHRABERMESA", now, &pedido.aberto, &pedido.idade);
                          pedidos.push_back(pedido);
                        });
        ReadReservedNumbers(connection, filial, pedidos);
        report.pedidos = pedidos;
      });
  std::vector<SaleStatus> documentos, recibos;
  const std::string erro_documentos =
      ReadPart(connection, connection_error, "os documentos pendentes (VENDA)", [&] {
        ado::ForEachRow(connection, "adqVendaDocPendente", kSelDocumentos,
                        ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}), {filial, caixa},
                        [&](ado::TADOQuery& q) {
                          SaleStatus venda = SaleOf(q, "documento", "IDDOCPENDVENDA");
                          // Written with rtl::Now(): this host's clock.
                          ReadTime(q, "DTDOCPENDVENDA", now, &venda.desde, &venda.idade);
                          documentos.push_back(venda);
                        });
      });
  const std::string erro_recibos =
      ReadPart(connection, connection_error, "os recibos (VENDACUPOM)", [&] {
        ado::ForEachRow(
            connection, "adqRecibosNaoImpressos", kSelRecibos,
            ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_PENDENTE", "P_IMPRIMINDO", "P_FALHOU"}),
            {filial,
             caixa,
             {"P_PENDENTE", VyrFiscal::Cupom::kCupomPendente},
             {"P_IMPRIMINDO", VyrFiscal::Cupom::kCupomImprimindo},
             {"P_FALHOU", VyrFiscal::Cupom::kCupomFalhou}},
            [&](ado::TADOQuery& q) {
              SaleStatus venda = SaleOf(q, "recibo", "IDSITUCUPOM");
              const auto& tentativas = q.FieldByName("QTTENTCUPOM");
              venda.tentativas =
                  tentativas.IsNull() ? 0 : static_cast<long>(tentativas.AsInteger());
              venda.erro = q.FieldByName("DSERROCUPOM").AsString();
              // Written with rtl::Now(): this host's clock.
              ReadTime(q, "DTHRSITUCUPOM", now, &venda.desde, &venda.idade);
              ReceiptOutlook(report, !q.FieldByName("IDDOCPENDVENDA").IsNull(),
                             q.FieldByName("IDTPEMISNFCE").AsString() == "9", venda);
              recibos.push_back(venda);
            });
      });
  report.erro_vendas = Joined(erro_documentos, erro_recibos);
  if (erro_documentos.empty()) report.vendas = documentos;
  if (erro_recibos.empty())
    report.vendas.insert(report.vendas.end(), recibos.begin(), recibos.end());
  // The notes' emission time is their own (dhEmi), on the branch's clocks: without the branch's
  // zone their ages are unknown, not counted on this host's clock.
  rtl::TDateTime agora_filial = 0;
  std::string erro_fuso;
  if (!report.fuso.empty()) {
    try {
      agora_filial = NowIn(now, report.fuso);
      report.agora_filial = rtl::FormatSqlDateTime(agora_filial);
    } catch (const std::exception& e) {
      erro_fuso = std::string("idades desconhecidas: ") + e.what();
    }
  }
  std::vector<NoteStatus> notas;
  report.erro_notas =
      ReadPart(connection, connection_error, "as notas em contingencia (NFCEVENDA)", [&] {
        ado::ForEachRow(connection, "adqNotasNaoAutorizadas", kSelNotas,
                        ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_PENDENTE", "P_INCERTA"}),
                        {filial,
                         caixa,
                         {"P_PENDENTE", VyrFiscal::Nfce::kSituacaoPendente},
                         {"P_INCERTA", VyrFiscal::Nfce::kSituacaoIncerta}},
                        [&](ado::TADOQuery& q) {
                          NoteStatus nota;
                          nota.chave = q.FieldByName("CDCHAVENFCE").AsString();
                          nota.nrseqvenda = q.FieldByName("NRSEQVENDA").AsString();
                          nota.situacao = q.FieldByName("IDSITUNFCE").AsString();
                          nota.motivo = q.FieldByName("DSMOTIVONFCE").AsString();
                          const auto& envios = q.FieldByName("QTTENTENVNFCE");
                          nota.envios = envios.IsNull() ? 0 : static_cast<long>(envios.AsInteger());
                          ReadTime(q, "DTHREMISNFCE", agora_filial, &nota.emitida, &nota.idade);
                          if (report.agora_filial.empty()) nota.idade = -1;
                          nota.acao = NoteOutlook(nota);
                          notas.push_back(nota);
                        });
        report.notas = notas;
      });
  if (report.erro_notas.empty()) report.erro_notas = erro_fuso;
  std::vector<NumberStatus> numeros;
  report.erro_numeros =
      ReadPart(connection, connection_error, "os numeros a inutilizar (NUMDOCRESERV)",
               [&] { ReadNumbersToVoid(connection, filial, caixa, numeros); });
  if (report.erro_numeros.empty()) report.numeros = numeros;
  report.erro_recusadas = ReadRefusedNotes(connection, connection_error, o, report);
  std::string arquivo, senha;
  report.erro_certificado =
      ReadPart(connection, connection_error, "o certificado do caixa (CAIXAFISCAL)", [&] {
        ado::ReadFirstRow(connection, "adqCertificado", kSelCertificado,
                          ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}), {filial, caixa},
                          [&](ado::TADOQuery& q) {
                            arquivo = q.FieldByName("DSARQCERTIF").AsString();
                            senha = q.FieldByName("DSSENHACERTIF").AsString();
                          });
      });
  if (!report.erro_certificado.empty() || arquivo.empty()) return;
  if (arquivo.front() != '/') arquivo = o.dir + "/" + arquivo;
  report.certificado.arquivo = arquivo;
  try {
    senha = VyrUtil::Uncripto(senha, VyrFiscal::Nfce::kChaveSenhaCertificado);
    // The certificate's end date is in UTC.
    ReadCertificate(arquivo, senha, NowIn(now, "UTC"), report.certificado);
  } catch (const std::exception&) {
    report.certificado.erro = "CAIXAFISCAL.DSSENHACERTIF nao e uma senha criptografada (****)";
  }
}

std::string Age(long seconds) {
  if (seconds < 0) return "?";
  if (seconds < 120) return std::to_string(seconds) + " s";
  if (seconds < 7200) return std::to_string(seconds / 60) + " min";
  if (seconds < 172800) return std::to_string(seconds / 3600) + " h";
  return std::to_string(seconds / 86400) + " dias";
}

std::string PassOutcome(int status) {
  switch (status) {
    case Cli_Qam00417::kStatusOcioso:
      return "nada pendente";
    case Cli_Qam00417::kStatusPendentes:
      return "pedidos continuam pendentes";
    case Cli_Qam00417::kStatusAlterou:
      return "alterou pedidos";
    case Cli_Qam00417::kStatusCaixaParado:
      return "caixa parado por falha do caixa";
    default:
      return "situacao " + std::to_string(status);
  }
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// "null" for an unknown number or an empty text.
std::string JsonNumber(long value) {
  return value < 0 ? "null" : std::to_string(value);
}
std::string JsonText(const std::string& text) {
  return text.empty() ? "null" : Json(text);
}

}  // namespace

StatusReport CollectStatus(const StatusOptions& options) {
  StatusReport report;
  report.dir = options.dir;
  report.filial = options.filial;
  report.caixa = options.caixa;
  report.loja = options.loja;
  const rtl::TDateTime now = rtl::Now();
  report.agora = rtl::FormatSqlDateTime(now);
  ReadStore(options, now, report);
  if (report.caixa_existe) {
    const RegisterFault falha =
        ReadRegisterFault(options.dir, options.filial, options.caixa, options.loja);
    report.falha_caixa = falha.falha;
    report.erro_falha_caixa = falha.erro;
  }
  for (const std::string* erro :
       {&report.erro_falha_caixa, &report.erro_caixa, &report.erro_pedidos, &report.erro_vendas,
        &report.erro_notas, &report.erro_numeros, &report.erro_recusadas,
        &report.erro_certificado}) {
    if (!erro->empty()) report.erros.push_back(*erro);
  }
  if (!report.caixa_existe) return report;
  const auto logs = ReadLogs(options, now);
  for (OrderStatus& pedido : report.pedidos) {
    const auto found = logs.find(pedido.nrvendarest + "/" + pedido.nrcomanda);
    if (found == logs.end()) continue;
    pedido.falha_quando = found->second.quando;
    pedido.falha = found->second.falha;
    pedido.espera = found->second.espera;
    pedido.dados_exportados = found->second.dados_exportados;
  }
  report.passagem = ReadLastPass(options.dir, options.filial, options.caixa, options.loja);
  report.cancelamentos = UnansweredCancellations(options.dir, options.filial, options.caixa);
  report.pid_trava = LockHolderPid(options.dir, options.filial, options.caixa, options.loja);
  return report;
}

// A sale that owes both its document and its receipt is listed twice and counted once.
size_t DistinctSales(const std::vector<SaleStatus>& vendas) {
  std::vector<std::string> numeros;
  for (const SaleStatus& v : vendas) numeros.push_back(v.nrseqvenda);
  std::sort(numeros.begin(), numeros.end());
  return static_cast<size_t>(std::unique(numeros.begin(), numeros.end()) - numeros.begin());
}

namespace {

// First after the register's name: a fault of the register holds every order back.
std::string RegisterFaultText(const StatusReport& r) {
  if (!r.erro_falha_caixa.empty()) return "FALHA DO CAIXA:   " + r.erro_falha_caixa + "\n";
  if (r.falha_caixa.empty()) return "";
  return "FALHA DO CAIXA:   " + r.falha_caixa +
         "\n                  nenhum pedido e fechado ate que seja corrigido; corrigida, a THREAD "
         "volta sozinha a fechar os pedidos (README, \"Falhas do caixa\")\n";
}

}  // namespace

std::string StatusText(const StatusReport& r) {
  std::ostringstream out;
  // A part that could not be read shows its error where its count would be.
  const auto count = [](size_t n, const std::string& erro) {
    return erro.empty() ? std::to_string(n) : erro;
  };
  out << "Caixa:            filial " << r.filial << ", caixa " << r.caixa << ", loja " << r.loja
      << " (agora " << r.agora
      << (r.agora_filial.empty() ? "" : "; na filial " + r.agora_filial + ", " + r.fuso) << ")\n";
  if (!r.erro_caixa.empty()) out << "                  " << r.erro_caixa << "\n";
  out << RegisterFaultText(r);
  out << "THREAD:           "
      << (r.pid_trava.empty() ? "parada (nenhum processo tem a trava do caixa)"
                              : "em execucao no processo " + r.pid_trava)
      << "\n";
  out << "Ultima passagem:  "
      << (r.passagem.when.empty() ? "nenhuma registrada"
                                  : r.passagem.when + " (" + PassOutcome(r.passagem.status) +
                                        ", processo " + r.passagem.pid + ")")
      << "\n";
  out << "Certificado:      ";
  if (!r.erro_certificado.empty()) {
    out << r.erro_certificado << "\n";
  } else if (r.certificado.arquivo.empty()) {
    out << "nenhum (CAIXAFISCAL.DSARQCERTIF vazio)\n";
  } else if (!r.certificado.erro.empty()) {
    out << r.certificado.erro << "\n";
  } else {
    out << r.certificado.arquivo << " valido ate " << r.certificado.validade << " UTC ("
        << (r.certificado.dias < 0 ? "vencido" : std::to_string(r.certificado.dias) + " dias")
        << ")\n";
  }
  out << "Pedidos pendentes: " << count(r.pedidos.size(), r.erro_pedidos) << "\n";
  for (const OrderStatus& p : r.pedidos) {
    out << "  pedido " << p.pedido << ", comanda " << p.nrcomanda << ", venda " << p.nrvendarest
        << ", aberto ha " << Age(p.idade) << "\n";
    if (p.falha.empty()) {
      out << "    nenhuma falha no log de hoje e de ontem\n";
    } else {
      out << "    ultima falha " << p.falha_quando << ": " << p.falha << "\n";
    }
    out << "    nova tentativa: "
        << (p.dados_exportados ? "quando o programa que exporta os pedidos corrigir a comanda"
            : p.espera < 0     ? "a cada passagem"
                               : "apos espera de " + std::to_string(p.espera) + " s")
        << "\n";
    if (!p.numero.empty()) out << "    " << ReservedNumberText(p) << "\n";
  }
  out << "Vendas com documento ou recibo pendente: "
      << count(DistinctSales(r.vendas), r.erro_vendas) << "\n";
  for (const SaleStatus& v : r.vendas) {
    out << "  venda " << v.nrseqvenda << " (comanda " << v.nrcomanda << "): " << v.pendente << " "
        << v.situacao
        << (v.desde.empty() ? "" : " desde " + v.desde + " (ha " + Age(v.idade) + ")");
    if (v.tentativas >= 0) {
      out << ", " << v.tentativas << " de " << VyrFiscal::Cupom::kTentativasCupom << " tentativas";
    }
    out << (v.erro.empty() ? "" : ": " + v.erro) << "\n";
    if (!v.acao.empty()) out << "    " << v.acao << "\n";
  }
  out << "Notas em contingencia nao transmitidas: " << count(r.notas.size(), r.erro_notas) << "\n";
  for (const NoteStatus& n : r.notas) {
    out << "  nota " << n.chave << " (venda " << n.nrseqvenda << "): " << n.situacao << ", emitida "
        << n.emitida << " (ha " << Age(n.idade) << "), " << n.envios << " envios"
        << (n.motivo.empty() ? "" : ", " + n.motivo) << "\n";
    out << "    " << n.acao << "\n";
  }
  out << "Notas recusadas pelo autorizador: " << count(r.recusadas.size(), r.erro_recusadas)
      << "\n";
  for (const NoteStatus& n : r.recusadas) {
    out << "  nota " << n.chave << " (venda " << n.nrseqvenda << "), emitida " << n.emitida << ": "
        << n.motivo << "\n    " << n.acao << "\n";
  }
  out << "Numeros de NFC-e a inutilizar: " << count(r.numeros.size(), r.erro_numeros) << "\n";
  for (const NumberStatus& n : r.numeros) {
    out << "  numero " << n.numero << " serie " << n.serie << " (comanda " << n.nrcomanda
        << "): " << n.situacao << (n.motivo.empty() ? "" : ": " + n.motivo) << "\n    " << n.acao
        << "\n";
  }
  out << UnansweredCancellationsText(r.cancelamentos);
  return out.str();
}

namespace {

// "cancelamentos_sem_resposta":[{"chave":...,"arquivo":...,"acao":...}, ...]
std::string UnansweredCancellationsJson(const std::vector<UnansweredCancellation>& cancelamentos) {
  std::string json = "\"cancelamentos_sem_resposta\":[";
  for (size_t i = 0; i < cancelamentos.size(); ++i) {
    json += std::string(i ? "," : "") + "{\"chave\":" + Json(cancelamentos[i].chave) +
            ",\"arquivo\":" + Json(cancelamentos[i].arquivo) +
            ",\"acao\":" + Json(kUnansweredCancellationAction) + "}";
  }
  return json + "]";
}

}  // namespace

std::string StatusJson(const StatusReport& r) {
  std::ostringstream out;
  out << "{\"filial\":" << Json(r.filial) << ",\"caixa\":" << Json(r.caixa)
      << ",\"loja\":" << Json(r.loja) << ",\"agora\":" << Json(r.agora)
      << ",\"fuso_filial\":" << JsonText(r.fuso) << ",\"agora_filial\":" << JsonText(r.agora_filial)
      << ",\"erro_caixa\":" << JsonText(r.erro_caixa)
      << ",\"falha_caixa\":" << JsonText(r.falha_caixa)
      << ",\"thread\":{\"em_execucao\":" << (r.pid_trava.empty() ? "false" : "true")
      << ",\"pid\":" << JsonText(r.pid_trava) << "},\"ultima_passagem\":";
  if (r.passagem.when.empty()) {
    out << "null";
  } else {
    out << "{\"quando\":" << Json(r.passagem.when) << ",\"situacao\":" << r.passagem.status
        << ",\"situacao_texto\":" << Json(PassOutcome(r.passagem.status))
        << ",\"pid\":" << JsonText(r.passagem.pid) << "}";
  }
  out << ",\"certificado\":{\"arquivo\":" << JsonText(r.certificado.arquivo)
      << ",\"validade_utc\":" << JsonText(r.certificado.validade) << ",\"dias\":"
      << (r.certificado.validade.empty() ? "null" : std::to_string(r.certificado.dias))
      << ",\"erro\":"
      << JsonText(r.erro_certificado.empty() ? r.certificado.erro : r.erro_certificado)
      << "},\"erro_pedidos_pendentes\":" << JsonText(r.erro_pedidos) << ",\"pedidos_pendentes\":[";
  for (size_t i = 0; i < r.pedidos.size(); ++i) {
    const OrderStatus& p = r.pedidos[i];
    out << (i ? "," : "") << "{\"nrvendarest\":" << Json(p.nrvendarest)
        << ",\"nrcomanda\":" << Json(p.nrcomanda) << ",\"pedido\":" << Json(p.pedido)
        << ",\"aberto\":" << JsonText(p.aberto) << ",\"idade_s\":" << JsonNumber(p.idade)
        << ",\"ultima_falha\":" << JsonText(p.falha)
        << ",\"ultima_falha_quando\":" << JsonText(p.falha_quando)
        << ",\"espera_s\":" << JsonNumber(p.espera)
        << ",\"aguarda_dados_exportados\":" << (p.dados_exportados ? "true" : "false")
        << ",\"numero_reservado\":";
    if (p.numero.empty()) {
      out << "null}";
    } else {
      out << "{\"modelo\":" << Json(p.modelo) << ",\"serie\":" << Json(p.serie)
          << ",\"numero\":" << Json(p.numero) << "}}";
    }
  }
  out << "],\"erro_vendas_pendentes\":" << JsonText(r.erro_vendas) << ",\"vendas_pendentes\":[";
  for (size_t i = 0; i < r.vendas.size(); ++i) {
    const SaleStatus& v = r.vendas[i];
    out << (i ? "," : "") << "{\"nrseqvenda\":" << Json(v.nrseqvenda)
        << ",\"nrvendarest\":" << Json(v.nrvendarest) << ",\"nrcomanda\":" << Json(v.nrcomanda)
        << ",\"pendente\":" << Json(v.pendente) << ",\"situacao\":" << Json(v.situacao)
        << ",\"desde\":" << JsonText(v.desde) << ",\"idade_s\":" << JsonNumber(v.idade)
        << ",\"tentativas\":" << JsonNumber(v.tentativas) << ",\"tentativas_max\":"
        << (v.tentativas < 0 ? "null" : std::to_string(VyrFiscal::Cupom::kTentativasCupom))
        << ",\"tentativas_esgotadas\":" << (v.esgotadas ? "true" : "false")
        << ",\"erro\":" << JsonText(v.erro) << ",\"acao\":" << JsonText(v.acao) << "}";
  }
  out << "],\"erro_notas_contingencia\":" << JsonText(r.erro_notas) << ",\"notas_contingencia\":[";
  for (size_t i = 0; i < r.notas.size(); ++i) {
    const NoteStatus& n = r.notas[i];
    out << (i ? "," : "") << "{\"chave\":" << Json(n.chave)
        << ",\"nrseqvenda\":" << Json(n.nrseqvenda) << ",\"situacao\":" << Json(n.situacao)
        << ",\"emitida\":" << JsonText(n.emitida) << ",\"idade_s\":" << JsonNumber(n.idade)
        << ",\"envios\":" << n.envios << ",\"motivo\":" << JsonText(n.motivo)
        << ",\"acao\":" << JsonText(n.acao) << "}";
  }
  out << "],\"erro_notas_recusadas\":" << JsonText(r.erro_recusadas) << ",\"notas_recusadas\":[";
  for (size_t i = 0; i < r.recusadas.size(); ++i) {
    const NoteStatus& n = r.recusadas[i];
    out << (i ? "," : "") << "{\"chave\":" << Json(n.chave)
        << ",\"nrseqvenda\":" << Json(n.nrseqvenda) << ",\"emitida\":" << JsonText(n.emitida)
        << ",\"motivo\":" << JsonText(n.motivo) << ",\"acao\":" << JsonText(n.acao) << "}";
  }
  out << "],\"erro_numeros_a_inutilizar\":" << JsonText(r.erro_numeros)
      << ",\"numeros_a_inutilizar\":[";
  for (size_t i = 0; i < r.numeros.size(); ++i) {
    const NumberStatus& n = r.numeros[i];
    out << (i ? "," : "") << "{\"numero\":" << Json(n.numero) << ",\"serie\":" << Json(n.serie)
        << ",\"nrcomanda\":" << Json(n.nrcomanda) << ",\"situacao\":" << Json(n.situacao)
        << ",\"motivo\":" << JsonText(n.motivo) << ",\"acao\":" << Json(n.acao) << "}";
  }
  out << "]," << UnansweredCancellationsJson(r.cancelamentos) << ",\"erros\":[";
  for (size_t i = 0; i < r.erros.size(); ++i) out << (i ? "," : "") << Json(r.erros[i]);
  out << "]}\n";
  return out.str();
}

int RunStatus(const StatusOptions& given, std::ostream& out, std::ostream& err) {
  StatusOptions options = given;
  try {
    FillRegister(options.dir, options.filial, options.caixa, options.loja);
  } catch (const std::invalid_argument& e) {
    err << "hostagent: " << e.what() << "\n";
    return kExitUsage;
  }
  const StatusReport report = CollectStatus(options);
  if (!report.caixa_existe) {
    err << "hostagent: caixa nao encontrado: nenhuma linha de CAIXA para filial " << options.filial
        << ", caixa " << options.caixa << ", loja " << options.loja << "\n";
    return kExitNoRegister;
  }
  out << (options.json ? StatusJson(report) : StatusText(report));
  return report.erros.empty() ? kExitOk : kExitHostError;
}

}  // namespace hostagent
