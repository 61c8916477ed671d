#pragma once
// The CF-e of a recorded sale: sent to the register's SAT device once, its answer stored with the
// sale before anything else happens, and the stored answer given again when the sale comes back.

#include <functional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal::Sat {

struct PedidoSat {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
  std::string idUtilSatComp;     // "S": the device is shared with other registers
  std::string cdAtivacaoSat;     // the device's activation code
  std::string dsPastaXml;        // folder of the CF-e XML files
  std::string vrIbpt, vrIbptEs;  // the sale's approximate federal and state taxes, as texts
};

// Fills `valoresSat` (fiscal/sat/sat_answer.h) and answers true when the sale has its CF-e:
// - a sale whose CF-e is stored answers the stored values without calling the device;
// - otherwise reads the sale through `leVenda`, builds its sale XML, loads the register's SAT
//   library (CAIXAFISCAL.DSLIBSAT: the emulator beside this package only when it names it; the
//   software house's values from CAIXAFISCAL, fiscal/sat/stored_cfe.h), sends it with a fresh
//   session number and, when the device issued the CF-e (06000), writes its XML into
//   `dsPastaXml` (created when missing; a day folder of the register, VyrUtil::PastaXmlDoDia,
//   becomes the one of the CF-e's own dEmi) as "CFe" + key + ".xml", then stores it (VENDACFESAT).
// A library that cannot be loaded, or a register without its library or software house's values,
// answers false with a "mensagem" that names the setting. Store and file failures raise.
bool EmiteCFeSat(ado::TADOConnection& conexao, const PedidoSat& pedido,
                 const std::function<VendaGravada()>& leVenda,
                 std::vector<std::string>& valoresSat);

// The name=value list of a stored CF-e, as its first emission answered it.
std::vector<std::string> ValoresGravados(const std::string& DSRETORNOSAT,
                                         const std::string& DSQRCODECFE);

}  // namespace VyrFiscal::Sat
