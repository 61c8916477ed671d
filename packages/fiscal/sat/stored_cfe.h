#pragma once
// The CF-e stored with a recorded sale (table VENDACFESAT).

#include <string>

#include "db/connection.h"

namespace VyrFiscal::Sat {

struct CFeGravado {
  std::string NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE,
      NRSESSAOSAT, DSRETORNOSAT;
};

// The sale's stored CF-e; false when the sale has none.
bool LeCFeGravado(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                  const std::string& CDCAIXA, const std::string& NRSEQVENDA, CFeGravado& cfe);

// Stores the CF-e the device issued for the sale (joins the caller's transaction, or commits on
// its own).
void GravaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL, const std::string& CDCAIXA,
              const std::string& NRSEQVENDA, const CFeGravado& cfe);

// Stores the number, key and QR text the closing derived, with the CF-e row (made when missing)
// and the sale's coupon number VENDA.NRCUPOMFIS, in one transaction. Raises rtl::EDatabaseError
// naming the sale when VENDA has no such sale.
void AtualizaCFe(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                 const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                 const std::string& NRCFESAT, const std::string& NRCHAVECFE,
                 const std::string& DSQRCODECFE);

// The register's SAT library (CAIXAFISCAL.DSLIBSAT); "" when none is set.
std::string BibliotecaDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                              const std::string& CDCAIXA);

}  // namespace VyrFiscal::Sat
