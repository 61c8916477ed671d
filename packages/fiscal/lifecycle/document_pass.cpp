// The documents and receipts a register's recorded sales still owe, issued and printed after the
// fact: a sale whose closing stopped between its recording and its document (a crash, a stop, a
// device that refused) is finished here, whatever became of its order.
//
// Every step asks before it acts again: the SAT emission settles a stored session with the
// device first, a kept NFC-e goes through the same transmission as at its closing (which asks
// the authoriser about a note sent without answer), and a receipt is taken for printing by a
// compare-and-set on its print state.

#include <algorithm>
#include <cstdio>

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/kept_settings.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/receipt/receipt_print.h"
#include "fiscal/receipt/receipt_state.h"
#include "fiscal/sale/pending_document.h"
#include "fiscal/sale/recorded_sale.h"
#include "fiscal/sat/sat_emission.h"
#include "fiscal/sat/stored_cfe.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "vyrutil/barcode.h"
#include "vyrutil/local_time.h"
#include "vyrutil/xml_folder.h"

namespace VyrFiscal {
namespace {

// A CF-e refused or never issued ('SAT', 'PENDENTE' from the closing's change of the sale) is
// sent again; an NFC-e the closing marked so is in contingency, whose transmission is settled
// apart, so only its unsent note ('NAOEMITIDO') is the pass's.
const char* const kSelDocumentos =
    R"mssql(SELECT NRSEQVENDA FROM VENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND IDDOCPENDVENDA IN ('NAOEMITIDO', 'SAT', 'PENDENTE') AND IDSITUVENDA = 'A' AND (IDDOCPENDVENDA = 'NAOEMITIDO' OR IDTIPOEMISSAO = 'S') ORDER BY NRSEQVENDA)mssql";

const char* const kSelEstado =
    R"mssql(SELECT IDTIPOEMISSAO, IDDOCPENDVENDA FROM VENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND NRSEQVENDA = :P_NRSEQVENDA AND IDSITUVENDA = 'A')mssql";

const char* const kEmissaoSat = "S";
const char* const kEmissaoNfce = "N";

struct EstadoVenda {
  bool encontrada = false;
  std::string tipoEmissao;
  std::string pendencia;  // IDDOCPENDVENDA
};

EstadoVenda LeEstado(ado::TADOConnection& conexao, const PedidoDocumento& p) {
  const ado::Bindings venda = {
      {"P_CDFILIAL", p.CDFILIAL}, {"P_CDCAIXA", p.CDCAIXA}, {"P_NRSEQVENDA", p.NRSEQVENDA}};
  EstadoVenda estado;
  estado.encontrada =
      ado::ReadFirstRow(conexao, "adqEstadoDocumento", kSelEstado, ado::ParamsFor(venda), venda,
                        [&estado](ado::TADOQuery& query) {
                          estado.tipoEmissao = query.FieldByName("IDTIPOEMISSAO").AsString();
                          estado.pendencia = ado::FirstValue(query, "IDDOCPENDVENDA");
                        });
  return estado;
}

std::string Dinheiro(double valor) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%.2f", valor);
  return texto;
}

std::string NomeDaVenda(const PedidoDocumento& p) {
  return p.CDFILIAL + "/" + p.CDCAIXA + "/" + p.NRSEQVENDA;
}

// Issues the CF-e as the closing does, with the approximate taxes the sale recorded, filed under
// the branch's day (as the device's clock dates it); the stored CF-e then gets the closing's
// update (the sale's coupon number).
std::string EmiteCFe(ado::TADOConnection& conexao, const PedidoDocumento& p) {
  const VendaGravada venda = LeVendaGravada(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA);
  const std::string pasta = VyrUtil::PastaXmlDoDia(
      p.CDFILIAL, p.CDCAIXA, VyrUtil::DataHoraComFuso(rtl::Now(), venda.emitente.fuso));
  const Sat::PedidoSat pedido{p.CDFILIAL,
                              p.CDCAIXA,
                              p.NRSEQVENDA,
                              p.idUtilSatComp,
                              p.cdAtivacaoSat,
                              pasta,
                              Dinheiro(venda.vTribFederal),
                              Dinheiro(venda.vTribEstadual)};
  std::vector<std::string> valores;
  if (!Sat::EmiteCFeSat(
          conexao, pedido, [&venda] { return venda; }, valores)) {
    throw rtl::Exception("SAT: " + ValorSat(valores, kSatMensagem));
  }
  Sat::CFeGravado cfe;
  Sat::LeCFeGravado(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA, cfe);
  Sat::AtualizaCFe(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA, cfe.NRCFESAT, cfe.NRCHAVECFE,
                   cfe.DSQRCODECFE);
  VyrUtil::CriaCodBarra(ValorSat(valores, kSatChaveConsulta), pasta);
  return "CF-e " + cfe.NRCFESAT + " emitido";
}

// Sends the note kept at the sale's recording; one that stays unauthorised is in contingency.
std::string TransmiteNota(ado::TADOConnection& conexao, const PedidoDocumento& p, bool& emitido) {
  const Nfce::NotaGravada gravada = Nfce::NotaDaVenda(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA);
  if (gravada.chave.empty()) {
    throw rtl::EDatabaseError("NFC-e of sale " + NomeDaVenda(p) + ": no note kept (NFCEVENDA)");
  }
  if (gravada.situacao == Nfce::kSituacaoRejeitada) {
    throw rtl::Exception("NFC-e " + gravada.chave + " rejected: " + gravada.motivo);
  }
  const PedidoNfce pedido{p.CDFILIAL,    p.CDCAIXA,     p.NRSEQVENDA, gravada.nNF,
                          gravada.serie, gravada.tpAmb, gravada.dhEmi};
  NotaNfce nota;
  nota.chave = gravada.chave;
  nota.arquivoXml = gravada.arquivoXml;
  nota.contingencia = gravada.tpEmis == "9";
  const NotaNfce enviada = TransmiteNfce(conexao, pedido, nota);
  if (enviada.contingencia) {
    MarcaDocumentoPendente(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA, kDocContingencia);
    emitido = false;
    return "NFC-e " + gravada.chave + " em contingência";
  }
  return "NFC-e " + gravada.chave + " autorizada";
}

void Junta(std::string& feito, const std::string& mais) {
  feito += (feito.empty() ? "" : "; ") + mais;
}

// A note issued offline (tpEmis 9) is the sale's document until it is authorised: its DANFE is
// printed at once, as the closing prints it, so a stop before the closing's print leaves no
// delivery without its DANFE.
bool EmContingenciaOffline(ado::TADOConnection& conexao, const PedidoDocumento& p,
                           const EstadoVenda& estado) {
  if (estado.tipoEmissao != kEmissaoNfce) return false;
  return Nfce::NotaDaVenda(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA).tpEmis == "9";
}

// Prints the receipt the sale owes, if its print state lets it be taken.
void ImprimeDevido(ado::TADOConnection& conexao, const PedidoDocumento& p, std::string& feito) {
  Cupom::ParametrosRecibo recibo =
      Cupom::ReciboDaVenda(conexao, p.CDFILIAL, p.CDCAIXA, p.NRSEQVENDA);
  recibo.nrSeqImprLoja = p.nrSeqImprLoja6;
  recibo.idTipoImp = p.idTipoImpNf6;
  recibo.porta = p.cdPortaImpNf6;
  const Cupom::Reserva impresso = Cupom::ImprimeRecibo(conexao, recibo, false);
  if (impresso == Cupom::Reserva::Primeira) Junta(feito, "cupom impresso");
  if (impresso == Cupom::Reserva::SegundaVia) {
    Junta(feito, "cupom impresso como 2ª via (a impressão anterior foi interrompida)");
  }
}

}  // namespace

namespace Rotinas {

std::vector<std::string> DocumentosPendentes(const std::string& CDFILIAL,
                                             const std::string& CDCAIXA, int limite) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  const ado::Bindings caixa = {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}};
  std::vector<std::string> vendas = Cupom::CuponsDevidos(conexao, CDFILIAL, CDCAIXA);
  ado::ForEachRow(conexao, "adqDocumentosPendentes", kSelDocumentos, ado::ParamsFor(caixa), caixa,
                  [&vendas](ado::TADOQuery& query) {
                    vendas.push_back(query.FieldByName("NRSEQVENDA").AsString());
                  });
  // Sale numbers of one register grow with time: their order is the order of recording.
  std::sort(vendas.begin(), vendas.end());
  vendas.erase(std::unique(vendas.begin(), vendas.end()), vendas.end());
  if (limite >= 0 && vendas.size() > static_cast<size_t>(limite)) vendas.resize(limite);
  return vendas;
}

std::string EmiteDocumentoPendente(const PedidoDocumento& p) {
  const EsqueceAoFalhar esquece;
  ado::TADOConnection& conexao = ConexaoFiscal();
  const EstadoVenda estado = LeEstado(conexao, p);
  if (!estado.encontrada) return "";
  std::string feito;
  bool emitido = estado.pendencia.empty();
  if (!emitido && estado.tipoEmissao == kEmissaoSat) {
    feito = EmiteCFe(conexao, p);
    emitido = true;
  } else if (!emitido && estado.tipoEmissao == kEmissaoNfce && estado.pendencia == kDocNaoEmitido) {
    emitido = true;
    feito = TransmiteNota(conexao, p, emitido);
  }
  if (!emitido && !EmContingenciaOffline(conexao, p, estado)) return feito;
  ImprimeDevido(conexao, p, feito);
  return feito;
}

void ReimprimeCupom(const std::string& CDFILIAL, const std::string& CDCAIXA,
                    const std::string& NRSEQVENDA, const std::string& porta,
                    const std::string& idTipoImp) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  Cupom::ParametrosRecibo recibo = Cupom::ReciboDaVenda(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
  recibo.idTipoImp = idTipoImp;
  recibo.porta = porta;
  Cupom::ImprimeRecibo(conexao, recibo, true);
}

}  // namespace Rotinas
}  // namespace VyrFiscal
