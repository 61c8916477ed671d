#pragma once
// The payment-type layout of the register's screen, as ConfTipoRece.cds must carry it: the
// persistent fields of cdsConfTipoReceRev, in their order. Header-only, so that the tools that
// write such files need not link the module.

#include <vector>

#include "rtl/field_def.h"

namespace Cli_Qam00417 {

inline std::vector<rtl::FieldDef> ConfTipoReceFields() {
  const auto text = rtl::TextField;
  const auto real = rtl::FloatField;
  return {text("CDFILIAL", 4),       text("NRCONFTELA", 5),    text("IDTPBUTTON", 1),
          text("NRBUTTON", 5),       text("NRPGCONFTELA", 2),  text("IDTPBUTONAUX", 1),
          text("NRBUTTONAUX", 5),    text("NRPGCONFTAUX", 2),  text("CDIDENTBUTON", 10),
          text("DSBUTTON", 50),      real("NRCOLORTEXT"),      real("NRCOLORBACK"),
          text("DSMESSAGEBUT", 100), text("DSIMAGEMBUT", 200), text("CDTIPORECE", 3),
          text("NMTIPORECE", 40),    real("VRTAXAADMI"),       real("VRMINCARTAO"),
          text("CDTIPOTROCO", 3),    text("IDEMIVALE", 1),     text("IDVALE", 1),
          text("NRORDTROCO", 3),     text("IDDEBCLIE", 1),     text("CDFPIMPFIS", 10),
          text("IDTIPORECE", 1),     text("CDTPINDICE", 1),    text("IDPERVALOR", 1),
          text("CDINDICE", 4),       text("DSIMPFISCAL", 50),  text("CDADMINCART", 20),
          text("CDBANCARTCR", 10),   text("IDMOSTRARECE", 1),  text("IDDESABTEF", 1),
          real("NRFONTETEXT"),       text("IDSANGRIAAUTO", 1)};
}

}  // namespace Cli_Qam00417
