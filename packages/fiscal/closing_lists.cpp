#include "fiscal/closing_lists.h"

#include "rtl/errors.h"
#include "rtl/text_compare.h"

namespace VyrFiscal {
namespace {

const char* const kTipoVendaDelivery = "DLV";
const char* const kSeparadorErro = ": ";

std::string Texto(const rtl::Variant& lista, size_t index) {
  return index < lista.ArrayLength() ? lista[index].AsString() : std::string();
}

rtl::TDateTime Data(const rtl::Variant& lista, size_t index) {
  return lista[index].IsEmptyOrNull() ? 0 : lista[index].AsDateTime();
}

double Valor(const rtl::Variant& lista, size_t index) {
  return lista[index].IsEmptyOrNull() ? 0 : lista[index].AsFloat();
}

// A list of `count` empty texts, the value of every position that carries nothing.
rtl::Variant ListaVazia(size_t count) {
  return rtl::Variant(std::vector<rtl::Variant>(count, rtl::Variant(std::string())));
}

}  // namespace

std::vector<rtl::TClientDataSet*> EmpacotaTabelas(const TabelasFechamento& t) {
  std::vector<rtl::TClientDataSet*> lista(kTabelasFechamento, t.vazio);
  lista[kTabVendas] = t.vendas;
  lista[kTabMovCaixa] = t.movimentos;
  lista[kTabItComandasCanc] = t.cancelados;
  lista[kTabFamSaldo] = t.famSaldo;
  lista[kTabEmprestimoFam] = t.emprestimoFam;
  lista[kTabItComandaEst] = t.itensEst;
  lista[kTabObsItens] = t.obsItens;
  lista[kTabObsItensEst] = t.obsItensEst;
  return lista;
}

TabelasFechamento DesempacotaTabelas(const std::vector<rtl::TClientDataSet*>& lista) {
  if (lista.size() < kTabelasFechamento) {
    throw rtl::Exception("the closing passed " + std::to_string(lista.size()) +
                         " tables instead of 12");
  }
  TabelasFechamento t;
  t.vendas = lista[kTabVendas];
  t.movimentos = lista[kTabMovCaixa];
  t.cancelados = lista[kTabItComandasCanc];
  t.famSaldo = lista[kTabFamSaldo];
  t.emprestimoFam = lista[kTabEmprestimoFam];
  t.itensEst = lista[kTabItComandaEst];
  t.obsItens = lista[kTabObsItens];
  t.obsItensEst = lista[kTabObsItensEst];
  return t;
}

rtl::Variant EmpacotaValores(const ValoresFechamento& v) {
  rtl::Variant lista = ListaVazia(kValoresFechamento);
  lista[kValCDCAIXA] = v.CDCAIXA;
  lista[kValDtAberturaCaixa] = rtl::Variant::FromDateTime(v.dtAberturaCaixa);
  lista[kValCDEMPRESA] = v.CDEMPRESA;
  lista[kValCDFILIAL] = v.CDFILIAL;
  lista[kValNRCOMANDA] = v.NRCOMANDA;
  lista[kValDSCOMANDA] = v.DSCOMANDA;
  lista[kValCDLOJA] = v.CDLOJA;
  lista[kValNRVENDAREST] = v.NRVENDAREST;
  lista[kValTipoVenda] = kTipoVendaDelivery;
  lista[kValNrNfce] = v.nrNfce;
  lista[kValIdPaisIntegra] = v.idPaisIntegra;
  lista[kValZero] = 0;
  lista[kValDtMovimento] = rtl::Variant::FromDateTime(v.dtMovimento);
  lista[kValCDMUNICIPIO] = v.CDMUNICIPIO;
  lista[kValCDPAIS] = v.CDPAIS;
  lista[kValSGESTADO] = v.SGESTADO;
  lista[kValCDBAIRRO] = v.CDBAIRRO;
  lista[kValDSENDECONSCOMAN] = v.DSENDECONSCOMAN;
  lista[kValDSCOMPLENDCOCOM] = v.DSCOMPLENDCOCOM;
  lista[kValNRCEPCONSCOMAND] = v.NRCEPCONSCOMAND;
  lista[kValDSREFENDCONSCOM] = v.DSREFENDCONSCOM;
  lista[kValIdOrigemVenda] = v.idOrigemVenda;
  lista[kValDtEmissNfce] = v.dtEmissNfce;
  lista[kValIdAmbTrabNfce] = v.idAmbTrabNfce;
  lista[kValNrSerieNfce] = v.nrSerieNfce;
  lista[kValIdTipoEmissao] = v.idTipoEmissao;
  lista[kValVrTotalTrib] = v.vrTotalTrib;
  lista[kValDSBAIRRO] = v.DSBAIRRO;
  lista[kValVerdadeiro] = true;
  lista[kValIDRETBALLOJA] = v.IDRETBALLOJA;
  return lista;
}

ValoresFechamento DesempacotaValores(const rtl::Variant& lista) {
  if (!lista.IsArray() || lista.ArrayLength() < kValoresFechamento) {
    throw rtl::Exception("the closing passed fewer than 48 values");
  }
  ValoresFechamento v;
  v.CDCAIXA = Texto(lista, kValCDCAIXA);
  v.dtAberturaCaixa = Data(lista, kValDtAberturaCaixa);
  v.CDEMPRESA = Texto(lista, kValCDEMPRESA);
  v.CDFILIAL = Texto(lista, kValCDFILIAL);
  v.NRCOMANDA = Texto(lista, kValNRCOMANDA);
  v.DSCOMANDA = Texto(lista, kValDSCOMANDA);
  v.CDLOJA = Texto(lista, kValCDLOJA);
  v.NRVENDAREST = Texto(lista, kValNRVENDAREST);
  v.nrNfce = Texto(lista, kValNrNfce);
  v.idPaisIntegra = Texto(lista, kValIdPaisIntegra);
  v.dtMovimento = Data(lista, kValDtMovimento);
  v.CDMUNICIPIO = Texto(lista, kValCDMUNICIPIO);
  v.CDPAIS = Texto(lista, kValCDPAIS);
  v.SGESTADO = Texto(lista, kValSGESTADO);
  v.CDBAIRRO = Texto(lista, kValCDBAIRRO);
  v.DSENDECONSCOMAN = Texto(lista, kValDSENDECONSCOMAN);
  v.DSCOMPLENDCOCOM = Texto(lista, kValDSCOMPLENDCOCOM);
  v.NRCEPCONSCOMAND = Texto(lista, kValNRCEPCONSCOMAND);
  v.DSREFENDCONSCOM = Texto(lista, kValDSREFENDCONSCOM);
  v.idOrigemVenda = Texto(lista, kValIdOrigemVenda);
  v.dtEmissNfce = Texto(lista, kValDtEmissNfce);
  v.idAmbTrabNfce = Texto(lista, kValIdAmbTrabNfce);
  v.nrSerieNfce = Texto(lista, kValNrSerieNfce);
  v.idTipoEmissao = Texto(lista, kValIdTipoEmissao);
  v.vrTotalTrib = Valor(lista, kValVrTotalTrib);
  v.DSBAIRRO = Texto(lista, kValDSBAIRRO);
  v.IDRETBALLOJA = Texto(lista, kValIDRETBALLOJA);
  return v;
}

rtl::Variant EmpacotaAlteracao(const AlteracaoVenda& a) {
  rtl::Variant lista = ListaVazia(kValoresAlteracao);
  lista[kAltNRSEQVENDA] = a.NRSEQVENDA;
  lista[kAltCDFILIAL] = a.CDFILIAL;
  lista[kAltCDCAIXA] = a.CDCAIXA;
  lista[kAltDtMovimento] = rtl::Variant::FromDateTime(a.dtMovimento);
  lista[kAltMarca] = a.marca;
  return lista;
}

AlteracaoVenda DesempacotaAlteracao(const rtl::Variant& lista) {
  AlteracaoVenda a;
  if (!lista.IsArray()) return a;
  a.NRSEQVENDA = Texto(lista, kAltNRSEQVENDA);
  a.CDFILIAL = Texto(lista, kAltCDFILIAL);
  a.CDCAIXA = Texto(lista, kAltCDCAIXA);
  a.marca = Texto(lista, kAltMarca);
  return a;
}

rtl::Variant NovoRetornoFiscal() {
  return rtl::Variant::Array(kTamanhoRetornoFiscal);
}

void EmpacotaVendaBuscada(const VendaBuscada& venda, rtl::Variant& retornoFiscal) {
  retornoFiscal[kRetVendas] = venda.vendas;
  retornoFiscal[kRetCancelados] = venda.cancelados;
}

VendaBuscada DesempacotaVendaBuscada(const rtl::Variant& retornoFiscal) {
  return {retornoFiscal[kRetVendas], retornoFiscal[kRetCancelados]};
}

void EmpacotaNota(const NotaEmitida& nota, rtl::Variant& retornoFiscal) {
  retornoFiscal[kRetChaveNfce] = nota.chaveAcesso;
  if (nota.contingencia) retornoFiscal[kRetSituacaoNfce] = kContingencia;
}

NotaEmitida DesempacotaNota(const rtl::Variant& retornoFiscal) {
  NotaEmitida nota;
  nota.chaveAcesso = retornoFiscal[kRetChaveNfce].AsString();
  nota.contingencia = retornoFiscal[kRetSituacaoNfce].AsString() == kContingencia;
  return nota;
}

void EmpacotaVendaRespondida(const VendaRespondida& venda, rtl::Variant& retornoFiscal) {
  retornoFiscal[kRetCaixaVenda] = venda.CDCAIXA;
  retornoFiscal[kRetVendaAnterior] = std::string(venda.anterior ? "S" : "N");
}

VendaRespondida DesempacotaVendaRespondida(const rtl::Variant& retornoFiscal) {
  VendaRespondida venda;
  venda.CDCAIXA = retornoFiscal[kRetCaixaVenda].AsString();
  venda.anterior = retornoFiscal[kRetVendaAnterior].AsString() == "S";
  return venda;
}

std::string RespostaErro(const std::string& motivo) {
  return kErro + (kSeparadorErro + motivo);
}

bool RespostaEhErro(const std::string& resposta) {
  return resposta.compare(0, sizeof kErro - 1, kErro) == 0;
}

bool RespostaEhNumeroVenda(const std::string& resposta) {
  return resposta.size() == kTamanhoNumeroVenda;
}

std::string LinhaSat(const std::string& nome, const std::string& valor) {
  return nome + "=" + valor;
}

std::string ValorSat(const std::vector<std::string>& valoresSat, const std::string& nome) {
  for (const std::string& linha : valoresSat) {
    const size_t igual = linha.find('=');
    if (igual != std::string::npos && rtl::SameText(linha.substr(0, igual), nome)) {
      return linha.substr(igual + 1);
    }
  }
  return std::string();
}

std::string QrCodeSat(const std::vector<std::string>& valoresSat) {
  std::string texto;
  for (const char* campo : kSatCamposQrCode) {
    if (campo != kSatCamposQrCode[0]) texto += "|";
    texto += ValorSat(valoresSat, campo);
  }
  return texto;
}

}  // namespace VyrFiscal
