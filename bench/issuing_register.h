#pragma once
// A benchmark store's register made to issue NFC-e: the simulated authoriser, a test certificate,
// the official schemas and a receipt printed to a file.

#include <filesystem>
#include <string>

#include "bench_store.h"
#include "fiscal/nfce/note_store.h"
#include "support/test_certificate.h"
#include "vyrutil/crypto.h"

namespace bench {

// The register issues NFC-e with the simulated authoriser and signs with a test certificate.
inline void MakeIssuingRegister(Store& store, const vyrtest::TestCertificate& certificate) {
  const std::string dir = store.store.Dir();
  std::filesystem::copy_file(certificate.pfx_path, dir + "/Dados/a1.pfx");
  std::filesystem::create_directories(dir + "/Dados/Schemas");
  if (!std::filesystem::exists(dir + "/Dados/Schemas/nfe-4.00")) {
    std::filesystem::create_directory_symlink(
        VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00", dir + "/Dados/Schemas/nfe-4.00");
  }
  store.store.Exec("UPDATE CAIXA SET IDTPEMISSAOVYR = 'FNC'");
  store.store.Exec(
      "INSERT OR REPLACE INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, CDCSCNFCE, "
      "DSARQCERTIF, DSSENHACERTIF, IDMODOAUTORIZ, DSURLQRCODE) VALUES ('0001', '001', '1', '1', "
      "'CSC-DE-TESTE', 'Dados/a1.pfx', ?, 'simulado', 'https://nfce.sefaz.example/qrcode')",
      {VyrUtil::Cripto(certificate.password, VyrFiscal::Nfce::kChaveSenhaCertificado)});
  Cli_Qam00417::TrdmImpExpKds& dm = *store.dm;
  dm.boVyrNfce = true;
  dm.idTipoEmissao = "N";
  dm.idAmbTrabNfce = "2";
  dm.dsPastaXml = dir + "/Dados/XML_NFCe_Sat/0001-001/";
  dm.nrSeqImprLoja6 = "001";
  dm.idTipoImpNf6 = "19";
  dm.cdPortaImpNf6 = "file:recibo.prn";
}

}  // namespace bench
