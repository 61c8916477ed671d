#pragma once
// The package's own routines behind the function variables of fiscal/fiscal_functions.h, one
// source file each. Internal to the package and its tests.

#include "fiscal/fiscal_functions.h"

namespace VyrFiscal::Rotinas {

Variant BuscaVenda(const Variant& filialComanda, Variant& retornoFiscal);
double CalculoIcmsDFederal(TClientDataSet& vendas, Variant& valores, double reservado);
std::string getNumeroSerieNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA);
std::string getDataEmissNFCe();
std::string VerificaFechamento(const std::vector<TClientDataSet*>& tabelas,
                               const Variant& parametros);
Variant SetConcluiFechamento(const std::vector<TClientDataSet*>& tabelas, const Variant& parametros,
                             Variant& retornoFiscal);
Variant AlteraVendaCan(const Variant& parametros, Variant& retornoFiscal);
bool SATOnline(const std::string& CDFILIAL, const std::string& CDCAIXA,
               const std::string& NRSEQVENDA, const std::string& idUtilSatComp,
               const std::string& cdAtivacaoSat, const std::string& dsPastaXml,
               const std::string& vrIbpt, const std::string& vrIbptEs,
               std::vector<std::string>& valoresSat);
Variant AtualizaVendaSat(const std::string& CDFILIAL, const std::string& CDCAIXA,
                         const std::string& NRSEQVENDA, const std::string& nrCfe,
                         const std::string& dsQrCode, const std::vector<std::string>& valoresSat);
Variant DisparaImpressaoNaoFiscal(const Variant& parametros, Variant& retornoFiscal);
TransmissaoNfce TransmiteNfcePendentes(const std::string& CDFILIAL, const std::string& CDCAIXA);
std::vector<std::string> DocumentosPendentes(const std::string& CDFILIAL,
                                             const std::string& CDCAIXA, int limite);
std::string EmiteDocumentoPendente(const PedidoDocumento& pedido);
void ReimprimeCupom(const std::string& CDFILIAL, const std::string& CDCAIXA,
                    const std::string& NRSEQVENDA, const std::string& porta,
                    const std::string& idTipoImp);
std::string InutilizaNumeroNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                const std::string& serie, const std::string& numero,
                                const std::string& ambiente);
std::string CancelaNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                        const std::string& NRSEQVENDA, const std::string& justificativa);
std::string VerificaCertificadoNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA);
std::string VerificaProntidaoCaixa(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                   const std::string& idTipoEmissao);

}  // namespace VyrFiscal::Rotinas
