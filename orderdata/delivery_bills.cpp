// The store's open delivery bill of one bill number and order, with its sale, consumer (and
// whether the consumer's tax number goes on the receipt) and delivery address. Bill numbers come
// back every 999 orders and the closed bills that had one stay open here (their status is not
// '5'): the order number makes the closing read its own bill by the bill's key, whatever the
// store's history, and never another bill of its number.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kPedidosSql =
    R"mssql(SELECT CO.IDSTCOMANDA, CO.NRVENDAREST, VE.DTHRABERMESA, CS.CDCONSUMIDOR, CS.NMCONSUMIDOR, CS.NRTELECONS, CO.NRCOMANDA, CO.DSCOMANDA, VE.CDCLIENTE, CS.NRCPFRESPCON,CO.CDMUNICIPIO, CO.CDPAIS, CO.SGESTADO, CO.CDBAIRRO, CO.DSBAIRRO, CO.DSENDECONSCOMAN, CO.DSCOMPLENDCOCOM,CO.NRCEPCONSCOMAND, CAST(CO.DSREFENDCONSCOM AS VARCHAR(2000)) AS DSREFENDCONSCOM, CO.DTENTREGA, VE.NRVENDARESTAUX, CO.IDORGCMDVENDA, VE.CDNSUESITEF, CO.IDRETBALLOJA, CS.IDIMPCPFCUPOM FROM COMANDAVEN CO, VENDAREST VE LEFT JOIN CONSUMIDOR CS ON (VE.CDCLIENTE = CS.CDCLIENTE) AND (VE.CDCONSUMIDOR = CS.CDCONSUMIDOR) WHERE (CO.NRVENDAREST = VE.NRVENDAREST) AND(CO.CDFILIAL = VE.CDFILIAL) AND(VE.CDFILIAL = :P_CDFILIAL) AND(CO.CDLOJA = :P_CDLOJA) AND(CO.IDSTCOMANDA NOT IN ('5')) AND(SUBSTRING(CO.DSCOMANDA,1,4) = 'DLV_') AND(CO.NRCOMANDA = :P_NRCOMANDA) AND(CO.NRVENDAREST = :P_NRVENDAREST) ORDER BY CO.NRCOMANDA DESC)mssql";

}  // namespace

void orderdata::SetupDeliveryBills(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqPedidos, dm.adcImpExpKds, kPedidosSql,
               {TextParam("P_CDFILIAL"), TextParam("P_CDLOJA"), TextParam("P_NRCOMANDA"),
                TextParam("P_NRVENDAREST")});
  dm.dspPedidos.SetDataSet(dm.adqPedidos);
}

Variant TrdmImpExpKds::getPedidos(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                                  const std::u16string& NRCOMANDA,
                                  const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqPedidos, dspPedidos,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_CDLOJA", rtl::WideToUtf8(CDLOJA)},
                       {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)},
                       {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)}});
  });
}

}  // namespace Cli_Qam00417
