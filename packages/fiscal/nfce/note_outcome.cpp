#include "fiscal/nfce/note_outcome.h"

#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/joined_transaction.h"
#include "fiscal/nfce/note_xml.h"
#include "fiscal/sale/pending_document.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

namespace fs = std::filesystem;

// The note with its protocol, as a store keeps it and sends it to its accountant: `nfeProc`
// (versao 4.00) holding the signed note's own bytes and the authority's protNFe.
void GravaNfeProc(const NotaGravada& nota, const std::string& resposta) {
  pugi::xml_document doc;
  if (!doc.load_buffer(resposta.data(), resposta.size())) return;
  const pugi::xml_node prot =
      doc.find_node([](pugi::xml_node no) { return std::string(no.name()) == "protNFe"; });
  if (!prot) return;
  std::ostringstream protNfe;
  prot.print(protNfe, "", pugi::format_raw);
  const std::string nfe = SemDeclaracaoXml(LeArquivoNota(nota.arquivoXml));
  GravaArquivoNota(ArquivoDoNfeProc(nota.arquivoXml), std::string("<nfeProc xmlns=\"") +
                                                          kNamespaceNfe + "\" versao=\"4.00\">" +
                                                          nfe + protNfe.str() + "</nfeProc>");
}

}  // namespace

std::string LeArquivoNota(const std::string& caminho) {
  std::ifstream entrada(caminho, std::ios::binary);
  if (!entrada) {
    throw rtl::EInOutError("NFC-e XML file '" + caminho + "' cannot be read");
  }
  std::ostringstream texto;
  texto << entrada.rdbuf();
  return texto.str();
}

void GravaArquivoNota(const std::string& caminho, const std::string& xml) {
  std::error_code erro;
  fs::create_directories(fs::path(caminho).parent_path(), erro);
  std::ofstream saida(caminho, std::ios::binary | std::ios::trunc);
  saida << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << xml;
  saida.close();
  if (!saida) {
    throw rtl::EInOutError("NFC-e XML file '" + caminho + "' cannot be written (folder " +
                           fs::path(caminho).parent_path().string() + ")");
  }
}

std::string ArquivoDoNfeProc(const std::string& arquivoXml) {
  const std::string semExtensao =
      arquivoXml.size() > 4 && arquivoXml.compare(arquivoXml.size() - 4, 4, ".xml") == 0
          ? arquivoXml.substr(0, arquivoXml.size() - 4)
          : arquivoXml;
  return semExtensao + "-nfeProc.xml";
}

void GravaAutorizada(ado::TADOConnection& conexao, const NotaGravada& nota,
                     const Protocolo& protocolo, const std::string& resposta) {
  GravaNfeProc(nota, resposta);
  ado::JoinedTransaction transacao(conexao);
  GravaSituacao(conexao, nota.chave, kSituacaoAutorizada, protocolo.nProt, protocolo.dhRecbto);
  LimpaDocumentoPendente(conexao, nota.CDFILIAL, nota.CDCAIXA, nota.NRSEQVENDA);
  transacao.Commit();
}

std::string ChaveDaDuplicidade(const std::string& xMotivo) {
  const std::string marca = "chNFe:";
  const size_t inicio = xMotivo.find(marca);
  if (inicio == std::string::npos) return "";
  std::string chave;
  for (size_t i = inicio + marca.size(); i < xMotivo.size() && chave.size() < 44; ++i) {
    if (xMotivo[i] >= '0' && xMotivo[i] <= '9') {
      chave += xMotivo[i];
    } else if (xMotivo[i] != ' ') {
      break;
    }
  }
  return chave.size() == 44 ? chave : "";
}

NotaGravada NotaSubstituida(const NotaGravada& nota) {
  NotaGravada anterior;
  if (nota.chaveAnterior.size() != 44) return anterior;
  anterior = nota;
  anterior.chave = nota.chaveAnterior;
  anterior.chaveAnterior = nota.chave;
  anterior.tpEmis = nota.chaveAnterior.substr(34, 1);
  anterior.arquivoXml =
      (fs::path(nota.arquivoXml).parent_path() / (nota.chaveAnterior + ".xml")).string();
  anterior.qrCode.clear();
  try {
    const std::string xml = LeArquivoNota(anterior.arquivoXml);
    pugi::xml_document doc;
    if (doc.load_buffer(xml.data(), xml.size())) {
      anterior.qrCode = doc.child("NFe").child("infNFeSupl").child_value("qrCode");
    }
  } catch (const rtl::EInOutError&) {
    // Without its file the replaced note cannot be the sale's document; the caller sees why.
  }
  return anterior;
}

}  // namespace VyrFiscal::Nfce
