// The package's exported function table: each function variable of fiscal_functions.h bound to
// the package's own routine. It stands above everything the routines use.

#include "fiscal/fiscal_functions.h"

#include "fiscal/fiscal_routines.h"

namespace VyrFiscal {

decltype(BuscaVenda) BuscaVenda = Rotinas::BuscaVenda;
decltype(CalculoIcmsDFederal) CalculoIcmsDFederal = Rotinas::CalculoIcmsDFederal;
decltype(getNumeroSerieNFCe) getNumeroSerieNFCe = Rotinas::getNumeroSerieNFCe;
decltype(getDataEmissNFCe) getDataEmissNFCe = Rotinas::getDataEmissNFCe;
decltype(VerificaFechamento) VerificaFechamento = Rotinas::VerificaFechamento;
decltype(SetConcluiFechamento) SetConcluiFechamento = Rotinas::SetConcluiFechamento;
decltype(AlteraVendaCan) AlteraVendaCan = Rotinas::AlteraVendaCan;
decltype(SATOnline) SATOnline = Rotinas::SATOnline;
decltype(AtualizaVendaSat) AtualizaVendaSat = Rotinas::AtualizaVendaSat;
decltype(DisparaImpressaoNaoFiscal) DisparaImpressaoNaoFiscal = Rotinas::DisparaImpressaoNaoFiscal;
decltype(TransmiteNfcePendentes) TransmiteNfcePendentes = Rotinas::TransmiteNfcePendentes;
decltype(DocumentosPendentes) DocumentosPendentes = Rotinas::DocumentosPendentes;
decltype(EmiteDocumentoPendente) EmiteDocumentoPendente = Rotinas::EmiteDocumentoPendente;
decltype(ReimprimeCupom) ReimprimeCupom = Rotinas::ReimprimeCupom;
decltype(InutilizaNumeroNFCe) InutilizaNumeroNFCe = Rotinas::InutilizaNumeroNFCe;
decltype(CancelaNFCe) CancelaNFCe = Rotinas::CancelaNFCe;
decltype(VerificaCertificadoNFCe) VerificaCertificadoNFCe = Rotinas::VerificaCertificadoNFCe;
decltype(VerificaProntidaoCaixa) VerificaProntidaoCaixa = Rotinas::VerificaProntidaoCaixa;

}  // namespace VyrFiscal
