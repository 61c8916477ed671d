// Gathering one order before it is closed: its bill among the store's open delivery bills, its
// items and notes, and the sale rows as the fiscal package builds them (the payments came with
// the check of the order's numbers).

#include "closing/closing_context.h"
#include "external/fiscal_device.h"
#include "rtl/text_codec.h"
#include "vyrutil/access_key.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

constexpr size_t kLarguraNrInscrCons = 20;

std::u16string W(const std::string& text) {
  return rtl::Utf8ToWide(text);
}

// Sets NRINSCRCONS of the current row to what `lookup` answers, unless that is a failure or a
// number without valid check digits: the receipt and the fiscal document are made from the same
// column, so a number goes on both or on neither.
template <typename Lookup>
void SetTaxNumber(TClientDataSet& vendas, Lookup&& lookup) {
  const std::string numero = lookup();
  // A lookup answers the failure's message in place of the number: a text longer than the
  // column is such a message, logged as it stands.
  if (numero.size() > kLarguraNrInscrCons) {
    LogImpExpKDS(numero);
    return;
  }
  const std::string problema = numero.empty() ? "" : VyrUtil::ProblemaCpfCnpj(numero);
  if (!problema.empty()) {
    LogImpExpKDS("CPF/CNPJ '" + numero +
                 "' do consumidor nao usado no cupom nem no documento "
                 "fiscal: " +
                 problema);
    return;
  }
  vendas.Edit();
  vendas.FieldByName("NRINSCRCONS").SetAsString(numero);
  vendas.Post();
}

}  // namespace

void GatherOrder(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  dm.cdsPedidos.SetData(
      dm.getPedidos(W(conta.CDFILIAL), W(conta.CDLOJA), W(conta.NRCOMANDA), W(conta.NRVENDAREST)));
  conta.dtMovCaixa = rtl::Date();
  dm.cdsItComandaEst.SetData(
      dm.getItcomandaEst(W(conta.CDFILIAL), W(conta.NRCOMANDA), u"", W(conta.NRVENDAREST)));
  dm.cdsObsItensEst.SetData(
      dm.getObsItensEst(W(conta.CDFILIAL), W(conta.NRCOMANDA), W(conta.NRVENDAREST)));

  conta.NovoRetornoFiscal();
  BuscaVenda(Variant(std::vector<Variant>{conta.CDFILIAL, conta.NRCOMANDA}), conta.retornoFiscal);
  const VendaBuscada venda = DesempacotaVendaBuscada(conta.retornoFiscal);
  dm.cdsVendas.SetData(venda.vendas);
  dm.cdsItComandasCanc.SetData(venda.cancelados);
  conta.retornoFiscal = Variant();

  dm.cdsVendas.First();
  const std::string CDCLIENTE = dm.cdsVendas.FieldByName("CDCLIENTE").AsString();
  const std::string CDCONSUMIDOR = dm.cdsVendas.FieldByName("CDCONSUMIDOR").AsString();
  dm.cdClienteVenda = CDCLIENTE;
  dm.cdConsumidorVenda = CDCONSUMIDOR;
  // The consumer's choice came with the bill: the consumer of the order's restaurant sale.
  conta.idImpCpf =
      dm.cdsPedidos.IsEmpty() ? "" : dm.cdsPedidos.FieldByName("IDIMPCPFCUPOM").AsString();
  dm.cdsObsItens.SetData(
      dm.getObsItens(W(conta.CDFILIAL), W(conta.NRCOMANDA), W(conta.NRVENDAREST)));
  ApplyReceiptTaxNumber(dm, conta);
  dm.cdsVendas.First();
  conta.cdSenhaPed = dm.cdsVendas.FieldByName("CDSENHAPED").AsString();
}

void ApplyReceiptTaxNumber(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  const bool cnpjCliente = dm.idImpCnpjClie == "S" && conta.idImpCpf == "N";
  if (!cnpjCliente && conta.idImpCpf != "S") return;
  TClientDataSet& vendas = dm.cdsVendas;
  for (vendas.First(); !vendas.Eof(); vendas.Next()) {
    if (vendas.FieldByName("NRINSCRCONS").AsString() != " ") continue;
    const std::string CDCLIENTE = vendas.FieldByName("CDCLIENTE").AsString();
    if (cnpjCliente) {
      SetTaxNumber(vendas, [&] { return dm.getCpfCli(CDCLIENTE); });
    } else {
      const std::string CDCONSUMIDOR = vendas.FieldByName("CDCONSUMIDOR").AsString();
      SetTaxNumber(vendas, [&] { return dm.getCpfCons(CDCLIENTE, CDCONSUMIDOR); });
    }
  }
}

}  // namespace Cli_Qam00417::closing
