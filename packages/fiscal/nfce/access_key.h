#pragma once
// The 44-digit access key of an NFC-e (model 65) and its random numeric code. The check digit
// (vyrutil/access_key.h) is shared with the SAT keys. Keys are kept as text.

#include <string>

namespace VyrFiscal::Nfce {

// The parts of a key, as digits. Shorter texts are left-padded with zeros to their width.
struct PartesChave {
  std::string cUF;   // 2
  std::string AAMM;  // 4, year and month of emission
  std::string CNPJ;  // 14 (a CPF left-padded)
  std::string mod = "65";
  std::string serie;   // 3
  std::string nNF;     // 9
  std::string tpEmis;  // 1
  std::string cNF;     // 8
};

// The 44-digit key of `partes`, check digit included. Raises rtl::EConvertError naming the part
// that is not digits or does not fit its width.
std::string MontaChave(const PartesChave& partes);

// An 8-digit cNF drawn through rtl::Random that differs from `nNF` (as a number) and is none of the
// codes the authorities refuse (all digits equal, ascending or descending runs).
std::string NovoCodigoNumerico(const std::string& nNF);

}  // namespace VyrFiscal::Nfce
