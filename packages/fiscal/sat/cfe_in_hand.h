#pragma once
// The CF-e a closing has just stored, kept for the steps that follow it in the same closing (the
// module's confirmation of the CF-e, the extract): they take it as stored instead of reading it
// again. Only the last one stored is kept.

#include <optional>
#include <string>

#include "fiscal/sat/stored_cfe.h"

namespace VyrFiscal::Sat {

struct CFeDaVenda {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
  CFeGravado cfe;  // as LeCFeGravado reads it back
};

// Keeps `cfe`, committed with its sale's document state cleared, in place of the one kept before.
void GuardaCFeEmMaos(const CFeDaVenda& cfe);

// The CF-e kept, when it is this sale's (or, by key, has the 44 digits `chave`, with or without
// the device's "CFe") in this installation and nothing kept was forgotten since
// (fiscal/kept_settings.h). It stays kept. Thread safe.
std::optional<CFeDaVenda> CFeEmMaosDaVenda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                           const std::string& NRSEQVENDA);
std::optional<CFeDaVenda> CFeEmMaosDaChave(const std::string& chave);

}  // namespace VyrFiscal::Sat
