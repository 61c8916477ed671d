#pragma once
// Checks an XML text against an XML schema (the official NF-e schemas: nfe_v4.00.xsd,
// enviNFe_v4.00.xsd, consSitNFe_v4.00.xsd, ...). A parsed schema is kept for the life of the
// process, one per file. Thread-safe.

#include <string>

namespace VyrFiscal::Nfce {

// "" when `xml` is valid against the schema file `arquivoXsd`; otherwise the schema library's
// messages, one per line, each with its line number. Raises FalhaDoCaixa (fiscal/register_fault.h,
// an rtl::EInOutError) naming the file when the schema itself cannot be read.
std::string ErrosDeEsquema(const std::string& xml, const std::string& arquivoXsd);

// Parses and keeps the schema file `arquivoXsd`, as ErrosDeEsquema would; raises as it does.
void CarregaEsquema(const std::string& arquivoXsd);

// The installation's copy of the official schemas (nfe_v4.00.xsd, enviNFe_v4.00.xsd, ...):
// the program directory's "Dados/Schemas/nfe-4.00/", with "/" at the end.
std::string PastaEsquemasInstalados();

}  // namespace VyrFiscal::Nfce
