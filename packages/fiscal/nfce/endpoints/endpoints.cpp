#include "fiscal/nfce/endpoints/endpoints.h"

#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

// Each pair is {production (tpAmb 1), homologation (tpAmb 2)}.
struct Par {
  const char* producao;
  const char* homologacao;
};

struct Estado {
  const char* cUF;
  const char* uf;
  const char* autorizador;
  Par urlQrCode;
  Par urlChave;
};

// The QR and consultation addresses of every state, as the states publish them; where the
// published lists disagree, the value most of them carry.
const Estado kEstados[] = {
    {"11",
     "RO",
     "SVRS",
     {"http://www.nfce.sefin.ro.gov.br/consultanfce/consulta.jsp",
      "http://www.nfce.sefin.ro.gov.br/consultanfce/consulta.jsp"},
     {"www.sefin.ro.gov.br/nfce/consulta", "www.sefin.ro.gov.br/nfce/consulta"}},
    {"12",
     "AC",
     "SVRS",
     {"http://www.sefaznet.ac.gov.br/nfce/qrcode", "http://www.hml.sefaznet.ac.gov.br/nfce/qrcode"},
     {"www.sefaznet.ac.gov.br/nfce/consulta", "www.sefaznet.ac.gov.br/nfce/consulta"}},
    {"13",
     "AM",
     "AM",
     {"https://sistemas.sefaz.am.gov.br/nfceweb/consultarNFCe.jsp",
      "https://sistemas.sefaz.am.gov.br/nfceweb-hom/consultarNFCe.jsp"},
     {"www.sefaz.am.gov.br/nfce/consulta", "www.sefaz.am.gov.br/nfce/consulta"}},
    // Production QR: one list alone has ".../servlet/qrcode" without "/nfce"; four have this.
    {"14",
     "RR",
     "SVRS",
     {"https://www.sefaz.rr.gov.br/nfce/servlet/qrcode",
      "http://200.174.88.103:8080/nfce/servlet/qrcode"},
     {"www.sefaz.rr.gov.br/nfce/consulta", "www.sefaz.rr.gov.br/nfce/consulta"}},
    {"15",
     "PA",
     "SVRS",
     {"https://appnfc.sefa.pa.gov.br/portal/view/consultas/nfce/nfceForm.seam",
      "https://appnfc.sefa.pa.gov.br/portal-homologacao/view/consultas/nfce/nfceForm.seam"},
     {"www.sefa.pa.gov.br/nfce/consulta", "www.sefa.pa.gov.br/nfce/consulta"}},
    {"16",
     "AP",
     "SVRS",
     {"https://www.sefaz.ap.gov.br/nfce/nfcep.php", "https://www.sefaz.ap.gov.br/nfcehml/nfce.php"},
     {"www.sefaz.ap.gov.br/nfce/consulta", "www.sefaz.ap.gov.br/nfce/consulta"}},
    {"17",
     "TO",
     "SVRS",
     {"http://www.sefaz.to.gov.br/nfce/qrcode", "http://homologacao.sefaz.to.gov.br/nfce/qrcode"},
     {"www.sefaz.to.gov.br/nfce/consulta", "http://homologacao.sefaz.to.gov.br/nfce/consulta.jsf"}},
    {"21",
     "MA",
     "SVRS",
     {"http://www.nfce.sefaz.ma.gov.br/portal/consultarNFCe.jsp",
      "http://www.hom.nfce.sefaz.ma.gov.br/portal/consultarNFCe.jsp"},
     {"www.sefaz.ma.gov.br/nfce/consulta", "www.sefaz.ma.gov.br/nfce/consulta"}},
    {"22",
     "PI",
     "SVRS",
     {"http://www.sefaz.pi.gov.br/nfce/qrcode", "http://www.sefaz.pi.gov.br/nfce/qrcode"},
     {"www.sefaz.pi.gov.br/nfce/consulta", "www.sefaz.pi.gov.br/nfce/consulta"}},
    {"23",
     "CE",
     "SVRS",
     {"http://nfce.sefaz.ce.gov.br/pages/ShowNFCe.html",
      "http://nfceh.sefaz.ce.gov.br/pages/ShowNFCe.html"},
     {"www.sefaz.ce.gov.br/nfce/consulta", "www.sefaz.ce.gov.br/nfce/consulta"}},
    {"24",
     "RN",
     "SVRS",
     {"http://nfce.set.rn.gov.br/consultarNFCe.aspx",
      "http://hom.nfce.set.rn.gov.br/consultarNFCe.aspx"},
     {"www.set.rn.gov.br/nfce/consulta", "www.set.rn.gov.br/nfce/consulta"}},
    {"25",
     "PB",
     "SVRS",
     {"http://www.sefaz.pb.gov.br/nfce", "http://www.sefaz.pb.gov.br/nfcehom"},
     {"www.sefaz.pb.gov.br/nfce/consulta", "www.sefaz.pb.gov.br/nfcehom"}},
    {"26",
     "PE",
     "SVRS",
     {"http://nfce.sefaz.pe.gov.br/nfce/consulta",
      "http://nfcehomolog.sefaz.pe.gov.br/nfce/consulta"},
     {"nfce.sefaz.pe.gov.br/nfce/consulta", "nfce.sefaz.pe.gov.br/nfce/consulta"}},
    {"27",
     "AL",
     "SVRS",
     {"http://nfce.sefaz.al.gov.br/QRCode/consultarNFCe.jsp",
      "http://nfce.sefaz.al.gov.br/QRCode/consultarNFCe.jsp"},
     {"www.sefaz.al.gov.br/nfce/consulta", "www.sefaz.al.gov.br/nfce/consulta"}},
    {"28",
     "SE",
     "SVRS",
     {"http://www.nfce.se.gov.br/nfce/qrcode", "http://www.hom.nfe.se.gov.br/nfce/qrcode"},
     {"http://www.nfce.se.gov.br/nfce/consulta", "http://www.hom.nfe.se.gov.br/nfce/consulta"}},
    {"29",
     "BA",
     "SVRS",
     {"http://nfe.sefaz.ba.gov.br/servicos/nfce/qrcode.aspx",
      "http://hnfe.sefaz.ba.gov.br/servicos/nfce/qrcode.aspx"},
     {"http://www.sefaz.ba.gov.br/nfce/consulta",
      "http://hinternet.sefaz.ba.gov.br/nfce/consulta"}},
    {"31",
     "MG",
     "MG",
     {"https://portalsped.fazenda.mg.gov.br/portalnfce/sistema/qrcode.xhtml",
      "https://portalsped.fazenda.mg.gov.br/portalnfce/sistema/qrcode.xhtml"},
     {"https://portalsped.fazenda.mg.gov.br/portalnfce",
      "https://hportalsped.fazenda.mg.gov.br/portalnfce"}},
    {"32",
     "ES",
     "SVRS",
     {"http://app.sefaz.es.gov.br/ConsultaNFCe/qrcode.aspx",
      "http://homologacao.sefaz.es.gov.br/ConsultaNFCe/qrcode.aspx"},
     {"www.sefaz.es.gov.br/nfce/consulta", "www.sefaz.es.gov.br/nfce/consulta"}},
    {"33",
     "RJ",
     "SVRS",
     {"https://consultadfe.fazenda.rj.gov.br/consultaNFCe/QRCode",
      "http://www4.fazenda.rj.gov.br/consultaNFCe/QRCode"},
     {"www.fazenda.rj.gov.br/nfce/consulta", "www.fazenda.rj.gov.br/nfce/consulta"}},
    // urlChave: two lists have ".../NFCeConsultaPublica" in both environments; three have this.
    {"35",
     "SP",
     "SP",
     {"https://www.nfce.fazenda.sp.gov.br/qrcode",
      "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode"},
     {"https://www.nfce.fazenda.sp.gov.br/consulta",
      "https://www.homologacao.nfce.fazenda.sp.gov.br/consulta"}},
    {"41",
     "PR",
     "PR",
     {"http://www.fazenda.pr.gov.br/nfce/qrcode", "http://www.fazenda.pr.gov.br/nfce/qrcode"},
     {"http://www.fazenda.pr.gov.br/nfce/consulta", "http://www.fazenda.pr.gov.br/nfce/consulta"}},
    {"42",
     "SC",
     "SVRS",
     {"https://sat.sef.sc.gov.br/nfce/consulta", "https://hom.sat.sef.sc.gov.br/nfce/consulta"},
     {"https://sat.sef.sc.gov.br/nfce/consulta", "https://hom.sat.sef.sc.gov.br/nfce/consulta"}},
    {"43",
     "RS",
     "RS",
     {"https://www.sefaz.rs.gov.br/NFCE/NFCE-COM.aspx",
      "https://www.sefaz.rs.gov.br/NFCE/NFCE-COM.aspx"},
     {"www.sefaz.rs.gov.br/nfce/consulta", "www.sefaz.rs.gov.br/nfce/consulta"}},
    {"50",
     "MS",
     "MS",
     {"http://www.dfe.ms.gov.br/nfce/qrcode", "http://www.dfe.ms.gov.br/nfce/qrcode"},
     {"http://www.dfe.ms.gov.br/nfce/consulta", "http://www.dfe.ms.gov.br/nfce/consulta"}},
    {"51",
     "MT",
     "MT",
     {"http://www.sefaz.mt.gov.br/nfce/consultanfce",
      "http://homologacao.sefaz.mt.gov.br/nfce/consultanfce"},
     {"http://www.sefaz.mt.gov.br/nfce/consultanfce",
      "http://homologacao.sefaz.mt.gov.br/nfce/consultanfce"}},
    // Homologation urlChave: one list has a news page; the three others have this.
    {"52",
     "GO",
     "GO",
     {"https://nfeweb.sefaz.go.gov.br/nfeweb/sites/nfce/danfeNFCe",
      "https://nfewebhomolog.sefaz.go.gov.br/nfeweb/sites/nfce/danfeNFCe"},
     {"www.sefaz.go.gov.br/nfce/consulta", "http://www.sefaz.go.gov.br/nfce/consulta"}},
    {"53",
     "DF",
     "SVRS",
     {"http://www.fazenda.df.gov.br/nfce/qrcode",
      "http://dec.fazenda.df.gov.br/ConsultarNFCe.aspx"},
     {"www.fazenda.df.gov.br/nfce/consulta", "www.fazenda.df.gov.br/nfce/consulta"}},
};

// The authorisers' hosts and service paths (the paths are the same in both environments).
struct Autorizador {
  const char* nome;
  Par host;
  const char* prefixo;
  const char* autorizacao;
  const char* retAutorizacao;
  const char* consultaProtocolo;
  const char* statusServico;
  const char* inutilizacao;
  const char* recepcaoEvento;
};

const Autorizador kAutorizadores[] = {
    {"AM",
     {"nfce.sefaz.am.gov.br", "homnfce.sefaz.am.gov.br"},
     "/nfce-services/services/",
     "NfeAutorizacao4",
     "NfeRetAutorizacao4",
     "NfeConsulta4",
     "NfeStatusServico4",
     "NfeInutilizacao4",
     "RecepcaoEvento4"},
    {"GO",
     {"nfe.sefaz.go.gov.br", "homolog.sefaz.go.gov.br"},
     "/nfe/services/",
     "NFeAutorizacao4",
     "NFeRetAutorizacao4",
     "NFeConsultaProtocolo4",
     "NFeStatusServico4",
     "NFeInutilizacao4",
     "NFeRecepcaoEvento4"},
    {"MG",
     {"nfce.fazenda.mg.gov.br", "hnfce.fazenda.mg.gov.br"},
     "/nfce/services/",
     "NFeAutorizacao4",
     "NFeRetAutorizacao4",
     "NFeConsultaProtocolo4",
     "NFeStatusServico4",
     "NFeInutilizacao4",
     "NFeRecepcaoEvento4"},
    {"MS",
     {"nfce.sefaz.ms.gov.br", "hom.nfce.sefaz.ms.gov.br"},
     "/ws/",
     "NFeAutorizacao4",
     "NFeRetAutorizacao4",
     "NFeConsultaProtocolo4",
     "NFeStatusServico4",
     "NFeInutilizacao4",
     "NFeRecepcaoEvento4"},
    {"MT",
     {"nfce.sefaz.mt.gov.br", "homologacao.sefaz.mt.gov.br"},
     "/nfcews/services/",
     "NfeAutorizacao4",
     "NfeRetAutorizacao4",
     "NfeConsulta4",
     "NfeStatusServico4",
     "NfeInutilizacao4",
     "RecepcaoEvento4"},
    {"PR",
     {"nfce.sefa.pr.gov.br", "homologacao.nfce.sefa.pr.gov.br"},
     "/nfce/",
     "NFeAutorizacao4",
     "NFeRetAutorizacao4",
     "NFeConsultaProtocolo4",
     "NFeStatusServico4",
     "NFeInutilizacao4",
     "NFeRecepcaoEvento4"},
    {"SP",
     {"nfce.fazenda.sp.gov.br", "homologacao.nfce.fazenda.sp.gov.br"},
     "/ws/",
     "NFeAutorizacao4.asmx",
     "NFeRetAutorizacao4.asmx",
     "NFeConsultaProtocolo4.asmx",
     "NFeStatusServico4.asmx",
     "NFeInutilizacao4.asmx",
     "NFeRecepcaoEvento4.asmx"},
    {"RS",
     {"nfce.sefazrs.rs.gov.br", "nfce-homologacao.sefazrs.rs.gov.br"},
     "/ws/",
     "NfeAutorizacao/NFeAutorizacao4.asmx",
     "NfeRetAutorizacao/NFeRetAutorizacao4.asmx",
     "NfeConsulta/NfeConsulta4.asmx",
     "NfeStatusServico/NfeStatusServico4.asmx",
     "nfeinutilizacao/nfeinutilizacao4.asmx",
     "recepcaoevento/recepcaoevento4.asmx"},
    {"SVRS",
     {"nfce.svrs.rs.gov.br", "nfce-homologacao.svrs.rs.gov.br"},
     "/ws/",
     "NfeAutorizacao/NFeAutorizacao4.asmx",
     "NfeRetAutorizacao/NFeRetAutorizacao4.asmx",
     "NfeConsulta/NfeConsulta4.asmx",
     "NfeStatusServico/NfeStatusServico4.asmx",
     "nfeinutilizacao/nfeinutilizacao4.asmx",
     "recepcaoevento/recepcaoevento4.asmx"},
};

const char* Do(const Par& par, bool producao) {
  return producao ? par.producao : par.homologacao;
}

}  // namespace

EnderecosNfce EnderecosDoEstado(const std::string& cUF, const std::string& tpAmb) {
  const bool producao = tpAmb == "1";
  for (const Estado& estado : kEstados) {
    if (cUF != estado.cUF) continue;
    EnderecosNfce enderecos;
    enderecos.uf = estado.uf;
    enderecos.autorizador = estado.autorizador;
    enderecos.urlQrCode = Do(estado.urlQrCode, producao);
    enderecos.urlChave = Do(estado.urlChave, producao);
    for (const Autorizador& a : kAutorizadores) {
      if (enderecos.autorizador != a.nome) continue;
      const std::string base = std::string("https://") + Do(a.host, producao) + a.prefixo;
      enderecos.autorizacao = base + a.autorizacao;
      enderecos.retAutorizacao = base + a.retAutorizacao;
      enderecos.consultaProtocolo = base + a.consultaProtocolo;
      enderecos.statusServico = base + a.statusServico;
      enderecos.inutilizacao = base + a.inutilizacao;
      enderecos.recepcaoEvento = base + a.recepcaoEvento;
    }
    return enderecos;
  }
  throw rtl::Exception("NFC-e: no authoriser addresses for state code (cUF) '" + cUF +
                       "' of the issuer");
}

}  // namespace VyrFiscal::Nfce
