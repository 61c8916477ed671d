// The cancellation of an authorised NFC-e (event 110111), asked by an operator for a sale whose
// delivery came back. The signed lot is kept before it leaves and the answer right after, so a
// stop during the call never leads to a blind second event: the next attempt asks the authority
// about the key first.

#include <pugixml.hpp>

#include <cctype>
#include <filesystem>

#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/cancellation_event.h"
#include "fiscal/nfce/note_outcome.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/signature.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "vyrutil/local_time.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Rotinas {
namespace {

using namespace Nfce;
namespace fs = std::filesystem;

const char* const kSelFilial =
    R"mssql(SELECT NRINSJURFILI, DSFUSOHORARIO FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL)mssql";

const char* const kUpdVendaCancelada =
    R"mssql(UPDATE VENDA SET IDSITUVENDA = 'C' WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA)mssql";

struct Pedido {
  NotaGravada nota;
  std::string venda;  // the sale, named for the operator
  std::string CNPJ, fuso;
  std::string proc, enviado;  // the kept answer, and the lot sent and not yet answered
};

std::string Aparada(const std::string& texto) {
  const size_t inicio = texto.find_first_not_of(" \t\r\n");
  if (inicio == std::string::npos) return "";
  return texto.substr(inicio, texto.find_last_not_of(" \t\r\n") - inicio + 1);
}

void LeFilial(ado::TADOConnection& conexao, Pedido& p) {
  ado::ReadFirstRow(conexao, "adqFilialCancNfce", kSelFilial, ado::TextParams({"P_CDFILIAL"}),
                    {{"P_CDFILIAL", p.nota.CDFILIAL}}, [&](ado::TADOQuery& query) {
                      p.CNPJ = VyrUtil::SoDigitos(query.FieldByName("NRINSJURFILI").AsString());
                      p.fuso = query.FieldByName("DSFUSOHORARIO").AsString();
                    });
  if (p.CNPJ.size() != 14) {
    throw rtl::EDatabaseError("NFC-e cancellation: FILIAL.NRINSJURFILI of branch " +
                              p.nota.CDFILIAL + " is not a CNPJ");
  }
}

void MarcaCancelada(ado::TADOConnection& conexao, const NotaGravada& nota) {
  ado::RunCommand(conexao, "acmUpdVendaCancNfce", kUpdVendaCancelada,
                  ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_NRSEQVENDA"}),
                  {{"P_CDFILIAL", nota.CDFILIAL},
                   {"P_CDCAIXA", nota.CDCAIXA},
                   {"P_NRSEQVENDA", nota.NRSEQVENDA}});
}

rtl::TDateTime Momento(const std::string& dataHora) {
  std::string texto = dataHora.substr(0, 19);
  if (texto.size() > 10) texto[10] = ' ';
  return rtl::ParseSqlDateTime(texto);
}

// The authority takes an ordinary cancellation of an NFC-e up to 30 minutes after its
// authorisation; later only as a cancellation by substitution, which this is not.
void ConfereDentroDoPrazo(const Pedido& p) {
  const std::string autorizada = VyrUtil::DataHoraNoFuso(p.nota.dhRecbto, p.fuso);
  const std::string agora = VyrUtil::DataHoraComFuso(rtl::Now(), p.fuso);
  const double minutos = (Momento(agora) - Momento(autorizada)) * 24 * 60;
  if (minutos > kMinutosParaCancelar) {
    throw rtl::Exception("the note " + p.nota.chave + " of " + p.venda + " was authorised at " +
                         autorizada + ", more than " + std::to_string(kMinutosParaCancelar) +
                         " minutes before now (" + agora +
                         "): the state no longer takes its cancellation");
  }
}

// The event in `lote` (the bytes signed), for the kept pair.
std::string EventoDoLote(const std::string& lote) {
  const size_t inicio = lote.find("<evento");
  const size_t fim = lote.rfind("</evento>");
  if (inicio == std::string::npos || fim == std::string::npos) return "";
  return lote.substr(inicio, fim + 9 - inicio);
}

std::string NovoLote(const Pedido& p, const std::string& xJust) {
  const ConfiguracaoNfce configuracao =
      LeConfiguracaoNfce(ConexaoFiscal(), p.nota.CDFILIAL, p.nota.CDCAIXA);
  DadosCancelamento dados;
  dados.chave = p.nota.chave;
  dados.tpAmb = p.nota.tpAmb == "1" ? "1" : "2";
  dados.CNPJ = p.CNPJ;
  dados.nProt = p.nota.protocolo;
  dados.xJust = xJust;
  dados.dhEvento = VyrUtil::DataHoraComFuso(rtl::Now(), p.fuso);
  const std::string evento = EventoCancelamento(dados);
  const std::string erros = ErrosDoEvento(evento);
  if (!erros.empty()) {
    throw rtl::Exception("the cancellation event of " + p.venda + " is not well formed: " + erros);
  }
  const std::string assinado =
      AssinaEvento(evento, configuracao.arquivoCertificado, configuracao.senhaCertificado);
  return EnvelopeEnvEvento(assinado, VyrUtil::SoDigitos(p.nota.NRSEQVENDA).substr(0, 15));
}

// Keeps the registered pair and marks the sale; the answer for the operator.
std::string Registra(const Pedido& p, const std::string& procEvento, const std::string& feito) {
  GravaArquivoNota(p.proc, procEvento);
  MarcaCancelada(ConexaoFiscal(), p.nota);
  std::error_code ignorado;
  fs::remove(p.enviado, ignorado);
  return feito + "; " + p.proc;
}

// A lot sent before whose answer never came: the authority is asked about the key first.
std::string JaRegistrado(const Pedido& p, Autorizador& autorizador) {
  const RespostaTransporte consulta =
      autorizador.Consulta(ConsultaSituacaoNfe(p.nota.chave, p.nota.tpAmb == "1" ? "1" : "2"));
  if (consulta.estado != RespostaTransporte::Estado::Respondeu) {
    throw rtl::Exception("the cancellation of " + p.venda +
                         " was sent before without an answer, and the authority cannot be asked "
                         "about it now (" +
                         consulta.detalhe + "): try again later");
  }
  const std::string proc = CancelamentoNaConsulta(consulta.xml, p.nota.chave);
  if (proc.empty()) return "";
  return Registra(p, proc, "cancellation found registered by the authority");
}

std::string Envia(const Pedido& p, Autorizador& autorizador, const std::string& lote) {
  const RespostaTransporte resposta = autorizador.Evento(lote);
  if (resposta.estado == RespostaTransporte::Estado::SemConexao) {
    std::error_code ignorado;
    fs::remove(p.enviado, ignorado);  // nothing reached the authority
  }
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
    throw rtl::Exception("the cancellation of " + p.venda + " got no answer (" + resposta.detalhe +
                         "): run it again; the authority is asked first");
  }
  const RetornoEvento retorno = LeRetornoEvento(resposta.xml);
  if (retorno.cStat == "573") {
    // The authority holds this event already (an answer the store never kept): take it from it.
    const std::string feito = JaRegistrado(p, autorizador);
    if (!feito.empty()) return feito;
  }
  if (!retorno.Registrado()) {
    std::error_code ignorado;
    fs::remove(p.enviado, ignorado);
    throw rtl::Exception("the authority refused the cancellation of " + p.venda + ": " +
                         retorno.cStat + " " + retorno.xMotivo);
  }
  return Registra(p, ProcEventoNfe(EventoDoLote(lote), retorno.retEvento),
                  retorno.cStat + " " + retorno.xMotivo + " " + retorno.nProt);
}

Pedido LePedido(const std::string& CDFILIAL, const std::string& CDCAIXA,
                const std::string& NRSEQVENDA) {
  Pedido p;
  p.venda = "sale " + NRSEQVENDA + " (branch " + CDFILIAL + ", register " + CDCAIXA + ")";
  p.nota = NotaDaVenda(ConexaoFiscal(), CDFILIAL, CDCAIXA, NRSEQVENDA);
  if (p.nota.chave.empty()) throw rtl::Exception(p.venda + " has no NFC-e (NFCEVENDA)");
  const std::string pasta = fs::path(p.nota.arquivoXml).parent_path().string() + "/";
  const std::string id = p.nota.chave + "-" + kTipoCancelamento + "-01";
  p.proc = pasta + id + "-procEventoNFe.xml";
  p.enviado = pasta + "enviado-" + id + "-envEvento.xml";
  LeFilial(ConexaoFiscal(), p);
  return p;
}

}  // namespace

std::string CancelaNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                        const std::string& NRSEQVENDA, const std::string& justificativa) {
  const Pedido p = LePedido(CDFILIAL, CDCAIXA, NRSEQVENDA);
  if (fs::exists(p.proc)) {
    MarcaCancelada(ConexaoFiscal(), p.nota);  // a stop may have come between the two
    return "cancellation already registered; " + p.proc;
  }
  if (p.nota.situacao != kSituacaoAutorizada) {
    throw rtl::Exception("the note " + p.nota.chave + " of " + p.venda +
                         " is not authorised (NFCEVENDA.IDSITUNFCE '" + p.nota.situacao +
                         "'): only an authorised note can be cancelled");
  }
  const std::string xJust = Aparada(justificativa);
  const size_t tamanho = CaracteresDaJustificativa(xJust);
  if (tamanho < kJustificativaMinima || tamanho > kJustificativaMaxima) {
    throw rtl::Exception("the reason has " + std::to_string(tamanho) +
                         " characters: the authority takes 15 to 255");
  }
  ConfereDentroDoPrazo(p);
  Autorizador* autorizador =
      AutorizadorDoCaixa(ConexaoFiscal(), CDFILIAL, CDCAIXA, p.nota.tpAmb == "1" ? "1" : "2");
  if (autorizador == nullptr) {
    throw rtl::Exception("register " + CDFILIAL + "/" + CDCAIXA +
                         " names no authoriser (CAIXAFISCAL.IDMODOAUTORIZ)");
  }
  if (fs::exists(p.enviado)) {
    const std::string feito = JaRegistrado(p, *autorizador);
    if (!feito.empty()) return feito;
    return Envia(p, *autorizador, LeArquivoNota(p.enviado));
  }
  const std::string lote = NovoLote(p, xJust);
  GravaArquivoNota(p.enviado, lote);
  return Envia(p, *autorizador, lote);
}

}  // namespace VyrFiscal::Rotinas
