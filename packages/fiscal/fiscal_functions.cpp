#include "fiscal/fiscal_functions.h"

#include "fiscal/fiscal_routines.h"

namespace VyrFiscal {

decltype(BuscaVenda) BuscaVenda = Routines::BuscaVenda;
decltype(CalculoIcmsDFederal) CalculoIcmsDFederal = Routines::CalculoIcmsDFederal;
decltype(getNumeroSerieNFCe) getNumeroSerieNFCe = Routines::getNumeroSerieNFCe;
decltype(getDataEmissNFCe) getDataEmissNFCe = Routines::getDataEmissNFCe;
decltype(SetConcluiFechamento) SetConcluiFechamento = Routines::SetConcluiFechamento;
decltype(AlteraVendaCan) AlteraVendaCan = Routines::AlteraVendaCan;
decltype(SATOnline) SATOnline = Routines::SATOnline;
decltype(AtualizaVendaSat) AtualizaVendaSat = Routines::AtualizaVendaSat;
decltype(DisparaImpressaoNaoFiscal) DisparaImpressaoNaoFiscal = Routines::DisparaImpressaoNaoFiscal;

}  // namespace VyrFiscal
