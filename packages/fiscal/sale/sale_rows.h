#pragma once
// The layouts of the two packets BuscaVenda answers with, and of the cash movements the closing
// hands back: the sale rows (one row per sold item,
// the first also carrying the sale's header values) and the bill's cancelled items. The module
// loads the sale rows into a table with exactly these persistent fields, so both sides take
// them from here. Header-only: the layouts need no code of the package.

#include <vector>

#include "rtl/field_def.h"

namespace VyrFiscal {

// The sale rows, in packet order. QTPRODCOMVEN is a quantity held as text.
inline std::vector<rtl::FieldDef> CamposLinhaVenda() {
  using rtl::FloatField;
  using rtl::TextField;
  return {
      TextField("IDSTPROCOMVEN", 1), TextField("CDPRODUTO", 20),    TextField("NMPRODUTO", 50),
      TextField("QTPRODCOMVEN", 20), FloatField("VRPRECCOMVEN"),    TextField("CDARVPROD", 20),
      TextField("CDLOJA", 10),       TextField("NRMESA", 20),       TextField("CDFILIAL", 4),
      TextField("STOBSPEDIDO", 200), TextField("NRSEQ", 3),         TextField("CDOPERADOR", 12),
      TextField("NRCUPOMFIS", 6),    TextField("CDALIQIMPFIS", 2),  TextField("CDCLIENTE", 21),
      TextField("CDCCUSCLIE", 10),   TextField("CDCONSUMIDOR", 21), TextField("CDVENDEDOR", 4),
      TextField("NRINSCRCONS", 20),  TextField("NMCONSVEND", 50),   TextField("CDSERVFILI", 5),
      FloatField("VRACRITVEND"),     FloatField("VRDESITVEND"),     TextField("IDSTPRCOMVEN", 1)};
}

// The cancelled items: the columns the module reads by name.
inline std::vector<rtl::FieldDef> CamposItemCancelado() {
  using rtl::FloatField;
  using rtl::TextField;
  return {TextField("CDFILIAL", 4),   TextField("CDLOJA", 10),    TextField("CDCLIENTE", 21),
          TextField("CDVENDEDOR", 4), TextField("CDPRODUTO", 20), TextField("QTPRODCOMVEN", 20),
          FloatField("VRPRECCOMVEN"), FloatField("VRDESCCOMVEN")};
}

// The cash movements of a sale (the closing's table 1), in the module's order. DTMOVIMCAIXA is a
// date without time.
inline std::vector<rtl::FieldDef> CamposMovimentoCaixa() {
  using rtl::DateTimeField;
  using rtl::FloatField;
  using rtl::TextField;
  return {TextField("CDFILIAL", 4),      TextField("NRSEQUMOVI", 10),
          TextField("IDTIPOMOVIVE", 1),  TextField("DSMOVIVEND", 250),
          TextField("NRSEQVENDA", 10),   TextField("CDTIPORECE", 3),
          DateTimeField("DTHRINCMOV"),   DateTimeField("DTDEPCHEQUE"),
          TextField("NRCONTRAVALE", 10), TextField("CDTIPOTROCO", 3),
          FloatField("VRMOVIVEND"),      TextField("NMTIPORECE", 40),
          TextField("NRORDTROCO", 3),    TextField("CDCLIENTE", 21),
          TextField("CDCONSUMIDOR", 21), rtl::FieldDef("DTMOVIMCAIXA", rtl::FieldType::Date),
          FloatField("VRMOVIVEOUT"),     FloatField("VRCOTINDOUT"),
          TextField("CDAGECHEQVEN", 5),  TextField("CDBANCHEQVEN", 3),
          TextField("CDCNTCHEQVEN", 16), DateTimeField("DTDEPCHEQVEN"),
          TextField("NRCHEQUEVEND", 6),  TextField("DSIMPFISCAL", 50),
          TextField("IDTIPORECE", 1),    TextField("CDFPIMPFIS", 10),
          TextField("NRCARTBANCO", 10),  TextField("CDTIPORECEORIG", 3),
          TextField("CDBANCARTCR", 10),  TextField("CDNSUHOSTTEF", 50),
          TextField("CDCCUSCLIE", 10),   TextField("NMTIPORECEORIG", 50),
          FloatField("QTPARCRECEB"),     TextField("NRCONTROLTEF", 50),
          TextField("NMBANDTEF", 100)};
}

}  // namespace VyrFiscal
