#include "fiscal/nfce/simulated_authoriser.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fiscal/nfce/note_xml.h"
#include "fiscal/nfce/schema_check.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/number_text.h"
#include "rtl/program_dir.h"
#include "vyrutil/access_key.h"
#include "vyrutil/local_time.h"

namespace VyrFiscal::Nfce {
namespace {

namespace fs = std::filesystem;

const char* const kVerAplic = "SIMULADOR-VYR-1.0";

std::string LeArquivo(const fs::path& caminho) {
  std::ifstream entrada(caminho, std::ios::binary);
  std::ostringstream texto;
  texto << entrada.rdbuf();
  return texto.str();
}

void GravaArquivo(const fs::path& caminho, const std::string& texto, bool acrescenta = false) {
  std::error_code erro;
  fs::create_directories(caminho.parent_path(), erro);
  std::ofstream saida(caminho, std::ios::binary | (acrescenta ? std::ios::app : std::ios::trunc));
  saida << texto;
  if (!saida) {
    throw rtl::EInOutError("Simulated NFC-e authoriser: cannot write '" + caminho.string() + "'");
  }
}

std::string Modo() {
  std::string modo = LeArquivo(PastaAutorizadorSimulado() + "modo");
  while (!modo.empty() && (modo.back() == '\n' || modo.back() == '\r' || modo.back() == ' ')) {
    modo.pop_back();
  }
  return modo.empty() ? kModoAutoriza : modo;
}

std::string ProximoProtocolo(const std::string& cUF, const std::string& dhRecbto) {
  const fs::path arquivo = PastaAutorizadorSimulado() + "protocolo";
  const std::string anterior = LeArquivo(arquivo);
  int64_t ultima = 0;
  if (!anterior.empty() && !rtl::TryStrToInt64(anterior, ultima)) {
    throw rtl::EConvertError("simulated authoriser: '" + arquivo.string() +
                             "' holds no protocol number: '" + anterior + "'");
  }
  const long long sequencia = ultima + 1;
  GravaArquivo(arquivo, std::to_string(sequencia));
  char numero[24];
  std::snprintf(numero, sizeof numero, "%010lld", sequencia);
  return "1" + cUF + dhRecbto.substr(2, 2) + numero;
}

void Registra(const std::string& linha) {
  GravaArquivo(PastaAutorizadorSimulado() + "chamadas.log", linha + "\n", true);
}

std::string Raiz(const char* nome, const std::string& tpAmb, const std::string& cStat,
                 const std::string& xMotivo, const std::string& cUF, const std::string& corpo) {
  return std::string("<") + nome + " xmlns=\"" + kNamespaceNfe + "\" versao=\"4.00\"><tpAmb>" +
         tpAmb + "</tpAmb><verAplic>" + kVerAplic + "</verAplic><cStat>" + cStat +
         "</cStat><xMotivo>" + xMotivo + "</xMotivo><cUF>" + cUF + "</cUF><dhRecbto>" +
         VyrUtil::DataHoraComFuso(rtl::Now()) + "</dhRecbto>" + corpo + "</" + nome + ">";
}

std::string ProtNfe(const std::string& tpAmb, const std::string& chave, const std::string& dhRecbto,
                    const std::string& nProt, const std::string& digVal, const std::string& cStat,
                    const std::string& xMotivo) {
  return std::string("<protNFe versao=\"4.00\"><infProt><tpAmb>") + tpAmb + "</tpAmb><verAplic>" +
         kVerAplic + "</verAplic><chNFe>" + chave + "</chNFe><dhRecbto>" + dhRecbto +
         "</dhRecbto>" + (nProt.empty() ? "" : "<nProt>" + nProt + "</nProt>") +
         (digVal.empty() ? "" : "<digVal>" + digVal + "</digVal>") + "<cStat>" + cStat +
         "</cStat><xMotivo>" + xMotivo + "</xMotivo></infProt></protNFe>";
}

}  // namespace

std::string PastaAutorizadorSimulado() {
  return rtl::ProgramDirectory() + "/Dados/AutorizadorNFCe/";
}

void DefineModoAutorizadorSimulado(const std::string& modo) {
  GravaArquivo(PastaAutorizadorSimulado() + "modo", modo + "\n");
}

RespostaTransporte AutorizadorSimulado::Autoriza(const std::string& enviNFe) {
  const std::string modo = Modo();
  if (modo == kModoOffline) {
    return SemResposta(RespostaTransporte::Estado::SemConexao,
                       "simulated authoriser is offline (" + PastaAutorizadorSimulado() + "modo)");
  }
  pugi::xml_document doc;
  doc.load_buffer(enviNFe.data(), enviNFe.size());
  const pugi::xml_node nfe = doc.child("enviNFe").child("NFe");
  const pugi::xml_node ide = nfe.child("infNFe").child("ide");
  const std::string id = nfe.child("infNFe").attribute("Id").value();
  const std::string chave = id.size() > 3 ? id.substr(3) : "";
  const std::string tpAmb = ide.child_value("tpAmb");
  const std::string cUF = ide.child_value("cUF");
  if (tpAmb == "1") throw rtl::Exception(kSimuladoSemProducao);
  if (!ErrosDeEsquema(enviNFe, PastaEsquemasInstalados() + "enviNFe_v4.00.xsd").empty()) {
    // As an authority does: the whole batch is refused, no note of it is recorded.
    Registra("enviNFe " + chave + " 225");
    return Respondida(
        Raiz("retEnviNFe", "2", "225", "Rejeicao: Falha no Schema XML do lote de NFe", cUF, ""));
  }
  const std::string digVal =
      nfe.child("Signature").child("SignedInfo").child("Reference").child_value("DigestValue");
  const fs::path registro = PastaAutorizadorSimulado() + chave + ".xml";
  const std::string dhRecbto = VyrUtil::DataHoraComFuso(rtl::Now());
  std::string prot;
  std::string cStat;
  if (!VyrUtil::ChaveAcessoValida(chave)) {
    cStat = "253";
    prot = ProtNfe(tpAmb, chave, dhRecbto, "", "", cStat,
                   "Rejeicao: Digito Verificador da chave de acesso composta invalida");
  } else if (fs::exists(registro)) {
    cStat = "204";
    prot = ProtNfe(
        tpAmb, chave, dhRecbto, "", "", cStat,
        "Rejeicao: Duplicidade de NF-e [nProt:" + LeProtocolo(LeArquivo(registro)).nProt + "]");
  } else {
    cStat = "100";
    prot = ProtNfe(tpAmb, chave, dhRecbto, ProximoProtocolo(cUF, dhRecbto), digVal, cStat,
                   "Autorizado o uso da NF-e");
    GravaArquivo(registro, prot);
  }
  if (modo == kModoRegistraEExpira && cStat == "100") {
    Registra("enviNFe " + chave + " -");
    return SemResposta(RespostaTransporte::Estado::TempoEsgotado,
                       "simulated authoriser recorded the note and did not answer in time");
  }
  Registra("enviNFe " + chave + " " + cStat);
  return Respondida(Raiz("retEnviNFe", tpAmb, "104", "Lote processado", cUF, prot));
}

RespostaTransporte AutorizadorSimulado::Consulta(const std::string& consSitNFe) {
  if (Modo() == kModoOffline) {
    return SemResposta(RespostaTransporte::Estado::SemConexao,
                       "simulated authoriser is offline (" + PastaAutorizadorSimulado() + "modo)");
  }
  pugi::xml_document doc;
  doc.load_buffer(consSitNFe.data(), consSitNFe.size());
  const pugi::xml_node consulta = doc.child("consSitNFe");
  const std::string chave = consulta.child_value("chNFe");
  const std::string tpAmb = consulta.child_value("tpAmb");
  if (tpAmb == "1") throw rtl::Exception(kSimuladoSemProducao);
  const std::string cUF = chave.substr(0, std::min<size_t>(2, chave.size()));
  const fs::path registro = PastaAutorizadorSimulado() + chave + ".xml";
  const bool conhecida = !chave.empty() && fs::exists(registro);
  const std::string cStat = conhecida ? "100" : "217";
  Registra("consSitNFe " + chave + " " + cStat);
  const std::string corpo = "<chNFe>" + chave + "</chNFe>" + (conhecida ? LeArquivo(registro) : "");
  return Respondida(Raiz("retConsSitNFe", tpAmb, cStat,
                         conhecida ? "Autorizado o uso da NF-e"
                                   : "Rejeicao: NF-e nao consta na base de dados da SEFAZ",
                         cUF, corpo));
}

RespostaTransporte AutorizadorSimulado::Status(const std::string& consStatServ) {
  if (Modo() == kModoOffline) {
    return SemResposta(RespostaTransporte::Estado::SemConexao,
                       "simulated authoriser is offline (" + PastaAutorizadorSimulado() + "modo)");
  }
  pugi::xml_document doc;
  doc.load_buffer(consStatServ.data(), consStatServ.size());
  const pugi::xml_node consulta = doc.child("consStatServ");
  const std::string tpAmb = consulta.child_value("tpAmb");
  const std::string cUF = consulta.child_value("cUF");
  if (tpAmb == "1") throw rtl::Exception(kSimuladoSemProducao);
  Registra("consStatServ " + cUF + " 107");
  return Respondida(Raiz("retConsStatServ", tpAmb, "107", "Servico em Operacao", cUF, ""));
}

RespostaTransporte AutorizadorSimulado::Inutiliza(const std::string& inutNFe) {
  if (Modo() == kModoOffline) {
    return SemResposta(RespostaTransporte::Estado::SemConexao,
                       "simulated authoriser is offline (" + PastaAutorizadorSimulado() + "modo)");
  }
  pugi::xml_document doc;
  doc.load_buffer(inutNFe.data(), inutNFe.size());
  const pugi::xml_node inf = doc.child("inutNFe").child("infInut");
  const std::string tpAmb = inf.child_value("tpAmb");
  const std::string cUF = inf.child_value("cUF");
  if (tpAmb == "1") throw rtl::Exception(kSimuladoSemProducao);
  const std::string id = inf.attribute("Id").value();
  Registra("inutNFe " + id + " 102");
  const std::string dhRecbto = VyrUtil::DataHoraComFuso(rtl::Now());
  return Respondida(std::string("<retInutNFe xmlns=\"") + kNamespaceNfe +
                    "\" versao=\"4.00\"><infInut><tpAmb>" + tpAmb + "</tpAmb><verAplic>" +
                    kVerAplic +
                    "</verAplic><cStat>102</cStat><xMotivo>Inutilizacao de numero "
                    "homologado</xMotivo><cUF>" +
                    cUF + "</cUF><dhRecbto>" + dhRecbto + "</dhRecbto><nProt>" +
                    ProximoProtocolo(cUF, dhRecbto) + "</nProt></infInut></retInutNFe>");
}

}  // namespace VyrFiscal::Nfce
