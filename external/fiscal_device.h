#pragma once
// The fiscal-device package as the module sees it: function variables, called through the
// pointer they hold at the moment of the call, and the lists, results and markers they exchange
// (fiscal/closing_lists.h), which the module packs and reads only through these names.

#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_functions.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/register_fault.h"
#include "fiscal/start_routines.h"

namespace Cli_Qam00417 {

using VyrFiscal::StartDarumaFrameWork;
using VyrFiscal::StartInterfaceEpsonNF;
using VyrFiscal::StartKioskDll;
using VyrFiscal::StartMp2032;
using VyrFiscal::StartSI300;

using VyrFiscal::AlteraVendaCan;
using VyrFiscal::AtualizaVendaSat;
using VyrFiscal::BuscaVenda;
using VyrFiscal::CalculoIcmsDFederal;
using VyrFiscal::DisparaImpressaoNaoFiscal;
using VyrFiscal::DocumentosPendentes;
using VyrFiscal::EmiteDocumentoPendente;
using VyrFiscal::getDataEmissNFCe;
using VyrFiscal::getNumeroSerieNFCe;
using VyrFiscal::InutilizaNumeroNFCe;
using VyrFiscal::SATOnline;
using VyrFiscal::SetConcluiFechamento;
using VyrFiscal::TransmiteNfcePendentes;
using VyrFiscal::VerificaCertificadoNFCe;
using VyrFiscal::VerificaFechamento;
using VyrFiscal::VerificaProntidaoCaixa;

using VyrFiscal::ComoFalhaDoCaixa;
using VyrFiscal::FalhaDoCaixa;

using VyrFiscal::AlteracaoVenda;
using VyrFiscal::DesempacotaNota;
using VyrFiscal::DesempacotaVendaBuscada;
using VyrFiscal::DesempacotaVendaRespondida;
using VyrFiscal::EmpacotaAlteracao;
using VyrFiscal::EmpacotaTabelas;
using VyrFiscal::EmpacotaValores;
using VyrFiscal::NotaEmitida;
using VyrFiscal::NovoRetornoFiscal;
using VyrFiscal::PedidoDocumento;
using VyrFiscal::QrCodeSat;
using VyrFiscal::RespostaEhErro;
using VyrFiscal::RespostaEhNumeroVenda;
using VyrFiscal::RespostaErro;
using VyrFiscal::TabelasFechamento;
using VyrFiscal::TransmissaoNfce;
using VyrFiscal::ValoresFechamento;
using VyrFiscal::ValorSat;
using VyrFiscal::VendaBuscada;
using VyrFiscal::VendaRespondida;

using VyrFiscal::kMarcaSat;
using VyrFiscal::kSatArqXml;
using VyrFiscal::kSatChaveConsulta;
using VyrFiscal::kSatMensagem;

}  // namespace Cli_Qam00417
