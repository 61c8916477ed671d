#pragma once
// The CF-e stored with a recorded sale (table VENDACFESAT).

#include <string>

#include "db/connection.h"

namespace VyrFiscal::Sat {

struct CFeGravado {
  std::string NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE,
      NRSESSAOSAT, DSRETORNOSAT;

  // Only the session of a call whose answer was never stored: the device may have issued a CF-e.
  bool SemResposta() const {
    return !NRSESSAOSAT.empty() && NRCFESAT.empty() && DSRETORNOSAT.empty();
  }
};

// The sale's stored CF-e, or the session of a call without its answer; false when the sale has
// neither.
bool LeCFeGravado(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                  const std::string& CDCAIXA, const std::string& NRSEQVENDA, CFeGravado& cfe);

// Stores the session number of the call about to be made for the sale, before the device is
// called, so a process that stops before the answer is stored leaves the session to ask about.
void GuardaSessao(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                  const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                  const std::string& NRSESSAOSAT);

// Forgets the session stored by GuardaSessao once the device answered that it issued nothing.
void EsqueceSessao(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                   const std::string& CDCAIXA, const std::string& NRSEQVENDA);

// Stores the CF-e the device issued for the sale (over a stored session) and clears the sale's
// pending document state (joins the caller's transaction, or commits on its own).
void GravaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
              const std::string& NRSEQVENDA, const CFeGravado& cfe);

// Stores the number, key and QR text the closing derived, with the CF-e row (made when missing)
// and the sale's coupon number VENDA.NRCUPOMFIS, in one transaction that also clears the sale's
// pending document state. Raises rtl::EDatabaseError
// naming the sale when VENDA has no such sale.
void AtualizaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                 const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                 const std::string& NRCFESAT, const std::string& NRCHAVECFE,
                 const std::string& DSQRCODECFE);

// The register's SAT installation (CAIXAFISCAL): the device library and the software house's
// registration that every CF-e carries.
struct InstalacaoSat {
  std::string DSLIBSAT;    // as the register sets it
  std::string biblioteca;  // the library to load: the emulator beside this package when named
  bool emulador = false;   // DSLIBSAT names the emulator (kBibliotecaEmulador)
  // NRCNPJSOFTHOUSE and DSSIGNAC; with the emulator, the test registration when they are unset.
  std::string cnpjSoftwareHouse, signAC;
};
// Kept between sales, as fiscal/kept_settings.h says.
InstalacaoSat LeInstalacaoSat(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                              const std::string& CDCAIXA);
// The same, read from the store now.
InstalacaoSat LeInstalacaoDoBanco(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                  const std::string& CDCAIXA);

// Why the register cannot send a sale to its device, naming the settings to fill; "" when it
// can. A register must name its library: the emulator is used only when named, so a
// production register never prints genuine-looking extracts from it.
std::string ProblemaInstalacaoSat(const InstalacaoSat& instalacao, const std::string& CDFILIAL,
                                  const std::string& CDCAIXA);

}  // namespace VyrFiscal::Sat
