// The store's open delivery bills of one bill number with their sale, consumer and delivery
// address. The bill number is a condition of the statement so that a closing reads the rows of
// its own bill through the bill-number index, not the store's whole history.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

// A bill number comes back every 999 orders, and the closed bills that had it stay open here
// (their status is not '5'): the bill waiting for automatic closing comes first, then the latest,
// since the closing takes the first row of its number.
constexpr const char* kPedidosSql =
    R"mssql(SELECT CO.IDSTCOMANDA, CO.NRVENDAREST, VE.DTHRABERMESA, CS.CDCONSUMIDOR, CS.NMCONSUMIDOR, CS.NRTELECONS, CO.NRCOMANDA, CO.DSCOMANDA, VE.CDCLIENTE, CS.NRCPFRESPCON,CO.CDMUNICIPIO, CO.CDPAIS, CO.SGESTADO, CO.CDBAIRRO, CO.DSBAIRRO, CO.DSENDECONSCOMAN, CO.DSCOMPLENDCOCOM,CO.NRCEPCONSCOMAND, CAST(CO.DSREFENDCONSCOM AS VARCHAR(2000)) AS DSREFENDCONSCOM, CO.DTENTREGA, VE.NRVENDARESTAUX, CO.IDORGCMDVENDA, VE.CDNSUESITEF, CO.IDRETBALLOJA FROM COMANDAVEN CO, VENDAREST VE LEFT JOIN CONSUMIDOR CS ON (VE.CDCLIENTE = CS.CDCLIENTE) AND (VE.CDCONSUMIDOR = CS.CDCONSUMIDOR) WHERE (CO.NRVENDAREST = VE.NRVENDAREST) AND(CO.CDFILIAL = VE.CDFILIAL) AND(VE.CDFILIAL = :P_CDFILIAL) AND(CO.CDLOJA = :P_CDLOJA) AND(CO.IDSTCOMANDA NOT IN ('5')) AND(SUBSTRING(CO.DSCOMANDA,1,4) = 'DLV_') AND(CO.NRCOMANDA = :P_NRCOMANDA) ORDER BY CO.NRCOMANDA DESC, CASE WHEN CO.IDIMPCUPEXP = '2' THEN 0 ELSE 1 END, CO.NRVENDAREST DESC)mssql";

}  // namespace

void orderdata::SetupDeliveryBills(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqPedidos, dm.adcImpExpKds, kPedidosSql,
               {TextParam("P_CDFILIAL"), TextParam("P_CDLOJA"), TextParam("P_NRCOMANDA")});
  dm.dspPedidos.SetDataSet(dm.adqPedidos);
}

Variant TrdmImpExpKds::getPedidos(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                                  const std::u16string& NRCOMANDA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqPedidos, dspPedidos,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_CDLOJA", rtl::WideToUtf8(CDLOJA)},
                       {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)}});
  });
}

}  // namespace Cli_Qam00417
