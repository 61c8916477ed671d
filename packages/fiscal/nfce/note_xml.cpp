#include "fiscal/nfce/note_xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

#include "fiscal/nfce/technical_contact.h"
#include "fiscal/sale/tax_situation.h"
#include "rtl/errors.h"
#include "vyrutil/access_key.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Nfce {
namespace {

using pugi::xml_node;
using VyrUtil::SoDigitos;

long long Centavos(double valor) {
  return std::llround(valor * 100);
}

std::string FormataCentavos(long long centavos) {
  const char* sinal = centavos < 0 ? "-" : "";
  const long long absoluto = std::llabs(centavos);
  char texto[32];
  std::snprintf(texto, sizeof texto, "%s%lld.%02lld", sinal, absoluto / 100, absoluto % 100);
  return texto;
}

// Up to `casas` decimals, at least `minimo`, without trailing zeros beyond that.
std::string Decimal(double valor, int casas, int minimo) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "%.*f", casas, valor);
  std::string resultado = texto;
  const size_t ponto = resultado.find('.');
  while (resultado.size() > ponto + 1 + minimo && resultado.back() == '0') resultado.pop_back();
  return resultado;
}

// The text cleaned of what the layout's text type cannot carry (VyrUtil::TextoLimpo), blanks
// collapsed and trimmed, at most `maximo` characters.
std::string Texto(const std::string& entrada, size_t maximo) {
  const std::string bruto = VyrUtil::TextoLimpo(entrada);
  std::string limpo;
  size_t caracteres = 0;
  bool branco = false;
  for (size_t i = 0; i < bruto.size() && caracteres < maximo;) {
    const auto c = static_cast<unsigned char>(bruto[i]);
    unsigned codigo = 0;  // 0: dropped
    size_t tamanho = 1;
    if (c < 0x80) {
      codigo = c;
    } else if (c >= 0xC0 && c < 0xE0 && i + 1 < bruto.size() &&
               (static_cast<unsigned char>(bruto[i + 1]) & 0xC0u) == 0x80u) {
      codigo = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(bruto[i + 1]) & 0x3Fu);
      tamanho = 2;
    } else if (c >= 0xE0) {
      tamanho = c < 0xF0 ? 3 : 4;  // beyond Latin-1: dropped whole
    }
    i += tamanho;
    if (codigo <= 0x20 || (codigo >= 0x7F && codigo < 0xA0) || codigo > 0xFF) {
      branco = branco || (codigo > 0 && codigo <= 0x20);
      continue;
    }
    if (branco && !limpo.empty() && caracteres + 1 < maximo) {
      limpo += ' ';
      ++caracteres;
    }
    branco = false;
    limpo += bruto.substr(i - tamanho, tamanho);
    ++caracteres;
  }
  return limpo;
}

std::string TextoOu(const std::string& bruto, size_t maximo, const std::string& padrao) {
  const std::string texto = Texto(bruto, maximo);
  return texto.empty() ? padrao : texto;
}

void Campo(xml_node pai, const char* nome, const std::string& valor) {
  pai.append_child(nome).text().set(valor.c_str());
}

void CampoOpcional(xml_node pai, const char* nome, const std::string& valor) {
  if (!valor.empty()) Campo(pai, nome, valor);
}

void ValorOpcional(xml_node pai, const char* nome, long long centavos) {
  if (centavos > 0) Campo(pai, nome, FormataCentavos(centavos));
}

std::string SemZerosAEsquerda(const std::string& numero) {
  const size_t primeiro = numero.find_first_not_of('0');
  return primeiro == std::string::npos ? "0" : numero.substr(primeiro);
}

std::string Fone(const std::string& fone) {
  const std::string digitos = SoDigitos(fone);
  return digitos.size() >= 6 && digitos.size() <= 14 ? digitos : "";
}

struct Totais {
  long long vBC = 0, vICMS = 0, vProd = 0, vDesc = 0, vOutro = 0, vTotTrib = 0;
  long long vPIS = 0, vCOFINS = 0;
};

std::string Gtin(const std::string& gtin) {
  return VyrUtil::GtinValido(gtin) ? gtin : "SEM GTIN";
}

class Construtor {
 public:
  Construtor(const VendaGravada& venda, const IdentificacaoNota& id) : venda_(venda), id_(id) {}

  std::string Monta() {
    if (id_.chave.size() != 44 || SoDigitos(id_.chave) != id_.chave) {
      throw rtl::EConvertError(Onde() + ": access key '" + id_.chave + "' is not 44 digits");
    }
    xml_node nfe = doc_.append_child("NFe");
    nfe.append_attribute("xmlns") = kNamespaceNfe;
    xml_node inf = nfe.append_child("infNFe");
    inf.append_attribute("versao") = "4.00";
    inf.append_attribute("Id") = ("NFe" + id_.chave).c_str();
    const bool entrega = EntregaEmDomicilio(venda_.destinatario);
    Ide(inf.append_child("ide"), entrega);
    Emit(inf.append_child("emit"));
    if (entrega) Dest(inf.append_child("dest"));
    for (const ItemVendido& item : venda_.itens) Det(inf.append_child("det"), item);
    Total(inf.append_child("total"));
    Campo(inf.append_child("transp"), "modFrete", "9");
    Pag(inf.append_child("pag"));
    if (Intermediada()) {
      xml_node intermed = inf.append_child("infIntermed");
      Campo(intermed, "CNPJ", venda_.cnpjIntermediador);
      Campo(intermed, "idCadIntTran", TextoOu(venda_.idCadIntTran, 60, venda_.origem));
    }
    if (!venda_.senha.empty())
      Campo(inf.append_child("infAdic"), "infCpl", "SENHA " + Texto(venda_.senha, 20));
    AnexaInfRespTec(inf, id_.chave);
    std::ostringstream saida;
    doc_.save(saida, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return saida.str();
  }

 private:
  // An order of a marketplace (its origin mapped to an intermediary) declares the intermediary.
  bool Intermediada() const { return SoDigitos(venda_.cnpjIntermediador).size() == 14; }

  std::string Onde() const {
    return "NFC-e of sale " + venda_.CDFILIAL + "/" + venda_.CDCAIXA + "/" + venda_.NRSEQVENDA;
  }

  void Ide(xml_node ide, bool entrega) {
    const Emitente& e = venda_.emitente;
    Campo(ide, "cUF", id_.chave.substr(0, 2));
    Campo(ide, "cNF", id_.chave.substr(35, 8));
    Campo(ide, "natOp", "VENDA");
    Campo(ide, "mod", "65");
    Campo(ide, "serie", SemZerosAEsquerda(id_.chave.substr(22, 3)));
    Campo(ide, "nNF", SemZerosAEsquerda(id_.chave.substr(25, 9)));
    Campo(ide, "dhEmi", id_.dhEmi);
    Campo(ide, "tpNF", "1");
    Campo(ide, "idDest", "1");
    Campo(ide, "cMunFG", Obrigatorio(SoDigitos(e.cMun), "FILIAL.CDMUNIBGE"));
    Campo(ide, "tpImp", "4");
    Campo(ide, "tpEmis", id_.chave.substr(34, 1));
    Campo(ide, "cDV", id_.chave.substr(43, 1));
    Campo(ide, "tpAmb", id_.tpAmb);
    Campo(ide, "finNFe", "1");
    Campo(ide, "indFinal", "1");
    Campo(ide, "indPres", entrega ? "4" : "1");
    if (entrega || Intermediada()) Campo(ide, "indIntermed", Intermediada() ? "1" : "0");
    Campo(ide, "procEmi", "0");
    Campo(ide, "verProc", id_.verProc);
    if (id_.chave[34] != '1') {
      Campo(ide, "dhCont", id_.dhCont);
      Campo(ide, "xJust", Texto(id_.xJust, 256));
    }
  }

  std::string Obrigatorio(const std::string& valor, const std::string& coluna) const {
    if (valor.empty()) {
      throw rtl::EConvertError(Onde() + ": " + coluna + " of branch " + venda_.CDFILIAL +
                               " is empty");
    }
    return valor;
  }

  void Emit(xml_node emit) {
    const Emitente& e = venda_.emitente;
    Campo(emit, "CNPJ", Obrigatorio(SoDigitos(e.CNPJ), "FILIAL.NRINSJURFILI"));
    Campo(emit, "xNome", Obrigatorio(Texto(e.xNome, 60), "FILIAL.NMRAZSOCFILI"));
    CampoOpcional(emit, "xFant", Texto(e.xFant, 60));
    xml_node ender = emit.append_child("enderEmit");
    Campo(ender, "xLgr", Obrigatorio(Texto(e.xLgr, 60), "FILIAL.DSENDEFILI"));
    Campo(ender, "nro", TextoOu(e.nro, 60, "S/N"));
    CampoOpcional(ender, "xCpl", Texto(e.xCpl, 60));
    Campo(ender, "xBairro", Obrigatorio(Texto(e.xBairro, 60), "FILIAL.NMBAIRFILI"));
    Campo(ender, "cMun", SoDigitos(e.cMun));
    Campo(ender, "xMun", Obrigatorio(Texto(e.xMun, 60), "FILIAL.NMMUNICIPIO"));
    Campo(ender, "UF", Obrigatorio(Texto(e.UF, 2), "FILIAL.SGESTADO"));
    Campo(ender, "CEP", Obrigatorio(SoDigitos(e.CEP), "FILIAL.NRCEPFILI"));
    Campo(ender, "cPais", "1058");
    Campo(ender, "xPais", "Brasil");
    CampoOpcional(ender, "fone", Fone(e.fone));
    const std::string IE = SoDigitos(e.IE);
    Campo(emit, "IE", IE.empty() ? "ISENTO" : IE);
    Campo(emit, "CRT", Obrigatorio(SoDigitos(e.CRT), "FILIAL.IDREGTRIBFILI"));
  }

  void Dest(xml_node dest) {
    const Destinatario& d = venda_.destinatario;
    const Emitente& e = venda_.emitente;
    // A home delivery needs `dest` with its address even when the consumer gave no tax number
    // (rejections 787, 788), and `dest` must open with one of CNPJ, CPF or idEstrangeiro (the
    // schema's choice is not optional): an empty idEstrangeiro, which its pattern allows, is the
    // only way to say "not identified". What else has no value is left out.
    const std::string numero = ConsumidorIdentificado(d) ? SoDigitos(d.CPFCNPJ) : "";
    Campo(dest, numero.empty() ? "idEstrangeiro" : numero.size() == 11 ? "CPF" : "CNPJ", numero);
    const std::string nome = id_.tpAmb == "2" ? kTextoHomologacaoDest : Texto(d.xNome, 60);
    CampoOpcional(dest, "xNome", nome);
    // The delivery address; what the order does not say is the branch's own town.
    xml_node ender = dest.append_child("enderDest");
    Campo(ender, "xLgr", TextoOu(d.xLgr, 60, "NAO INFORMADO"));
    Campo(ender, "nro", TextoOu(d.nro, 60, "S/N"));
    CampoOpcional(ender, "xCpl", Texto(d.xCpl, 60));
    Campo(ender, "xBairro", TextoOu(d.xBairro, 60, "NAO INFORMADO"));
    // The town the order names, by code and name; an order without a code is in the branch's.
    const bool proprio = SoDigitos(d.cMun).size() == 7;
    const std::string cMun = proprio ? SoDigitos(d.cMun) : SoDigitos(e.cMun);
    std::string xMun = Texto(proprio ? d.xMun : e.xMun, 60);
    if (xMun.empty() && cMun == SoDigitos(e.cMun)) xMun = Texto(e.xMun, 60);
    if (xMun.empty()) {
      throw rtl::EConvertError(Onde() + ": the delivery town " + cMun +
                               " has no name (VENDA.NMMUNICONSVENDA)");
    }
    Campo(ender, "cMun", cMun);
    Campo(ender, "xMun", xMun);
    Campo(ender, "UF", TextoOu(d.UF, 2, Texto(e.UF, 2)));
    if (SoDigitos(d.CEP).size() == 8) Campo(ender, "CEP", SoDigitos(d.CEP));
    Campo(ender, "cPais", "1058");
    Campo(ender, "xPais", "Brasil");
    Campo(dest, "indIEDest", "9");
  }

  std::string ErroItem(const ItemVendido& item, const std::string& problema) const {
    return Onde() + ", item " + std::to_string(item.nItem) + " (product " + item.cProd +
           "): " + problema;
  }

  void Det(xml_node det, const ItemVendido& item) {
    ++nItem_;
    det.append_attribute("nItem") = nItem_;
    xml_node prod = det.append_child("prod");
    const long long vProd = Centavos(item.vProd);
    const long long vDesc = Centavos(item.vDesc);
    const long long vOutro = Centavos(item.vOutro);
    const std::string NCM = SoDigitos(item.NCM);
    if (NCM.size() != 8) {
      throw rtl::EConvertError(ErroItem(item, "PRODUTO.NRNCM '" + item.NCM + "' is not 8 digits"));
    }
    const std::string xProd = nItem_ == 1 && id_.tpAmb == "2"
                                  ? kTextoHomologacaoItem
                                  : TextoOu(item.xProd, 120, item.cProd);
    const std::string uCom = TextoOu(item.uCom, 6, "UN");
    const std::string qCom = Decimal(item.qCom, 4, 4);
    const std::string vUnCom = Decimal(item.vUnCom, 10, 2);
    Campo(prod, "cProd", TextoOu(item.cProd, 60, std::to_string(nItem_)));
    Campo(prod, "cEAN", Gtin(item.GTIN));
    Campo(prod, "xProd", xProd);
    Campo(prod, "NCM", NCM);
    if (SoDigitos(item.CEST).size() == 7) Campo(prod, "CEST", SoDigitos(item.CEST));
    Campo(prod, "CFOP", Cfop(item));
    Campo(prod, "uCom", uCom);
    Campo(prod, "qCom", qCom);
    Campo(prod, "vUnCom", vUnCom);
    Campo(prod, "vProd", FormataCentavos(vProd));
    Campo(prod, "cEANTrib", Gtin(item.GTIN));
    Campo(prod, "uTrib", uCom);
    Campo(prod, "qTrib", qCom);
    Campo(prod, "vUnTrib", vUnCom);
    ValorOpcional(prod, "vDesc", vDesc);
    ValorOpcional(prod, "vOutro", vOutro);
    Campo(prod, "indTot", "1");
    xml_node imposto = det.append_child("imposto");
    const long long vTotTrib = Centavos(item.vTotTrib);
    ValorOpcional(imposto, "vTotTrib", vTotTrib);
    Icms(imposto.append_child("ICMS"), item, vProd - vDesc + vOutro);
    totais_.vPIS += PisCofins(imposto, "PIS", item, item.pPIS, vProd - vDesc + vOutro);
    totais_.vCOFINS += PisCofins(imposto, "COFINS", item, item.pCOFINS, vProd - vDesc + vOutro);
    totais_.vProd += vProd;
    totais_.vDesc += vDesc;
    totais_.vOutro += vOutro;
    totais_.vTotTrib += std::max(0LL, vTotTrib);
  }

  std::string Cfop(const ItemVendido& item) const {
    const std::string CFOP = SoDigitos(item.CFOP);
    if (CFOP.size() == 4) return CFOP;
    return item.CSTICMS == "60" || item.CSTICMS == "500" ? "5405" : "5102";
  }

  // PIS or COFINS of the item by its situation; answers the amount for the totals.
  long long PisCofins(xml_node imposto, const std::string& tributo, const ItemVendido& item,
                      double aliquota, long long base) {
    const std::string cst = SoDigitos(item.CSTPIS);
    if (!SituacaoPisDeclaravel(cst)) {
      throw rtl::EConvertError(ErroItem(item, "PIS/COFINS situation (PRODUTO.CDSITTRIBPIS) '" +
                                                  item.CSTPIS + "' cannot be used in an NFC-e"));
    }
    xml_node grupo = imposto.append_child(tributo.c_str());
    const bool aliquotado = cst == "01" || cst == "02";
    const bool naoTributado = cst != "49" && cst != "99" && !aliquotado;
    if (naoTributado) {
      Campo(grupo.append_child((tributo + "NT").c_str()), "CST", cst);
      return 0;
    }
    xml_node valores = grupo.append_child((tributo + (aliquotado ? "Aliq" : "Outr")).c_str());
    const long long valor = std::llround(base * aliquota / 100.0);
    Campo(valores, "CST", cst);
    Campo(valores, "vBC", FormataCentavos(base));
    Campo(valores, ("p" + tributo).c_str(), Decimal(aliquota, 4, 2));
    Campo(valores, ("v" + tributo).c_str(), FormataCentavos(valor));
    return valor;
  }

  void Icms(xml_node icms, const ItemVendido& item, long long base) {
    const std::string situacao = SoDigitos(item.CSTICMS);
    if (!SituacaoIcmsDeclaravel(SoDigitos(venda_.emitente.CRT), situacao)) {
      throw rtl::EConvertError(ErroItem(
          item, "ICMS situation (PRODUTO.CDSITTRIBICMS) '" + item.situacaoProduto +
                    "' has no group for regime " + venda_.emitente.CRT + " (SITTRIBREGIME)"));
    }
    const std::string orig = item.orig.empty() ? "0" : SoDigitos(item.orig).substr(0, 1);
    static const std::set<std::string> kSimples = {"102", "103", "300", "400"};
    if (kSimples.count(situacao) || situacao == "500") {
      xml_node grupo = icms.append_child(situacao == "500" ? "ICMSSN500" : "ICMSSN102");
      Campo(grupo, "orig", orig);
      Campo(grupo, "CSOSN", situacao);
    } else if (situacao == "00") {
      const long long vICMS = std::llround(base * item.pICMS / 100.0);
      xml_node grupo = icms.append_child("ICMS00");
      Campo(grupo, "orig", orig);
      Campo(grupo, "CST", "00");
      Campo(grupo, "modBC", "3");
      Campo(grupo, "vBC", FormataCentavos(base));
      Campo(grupo, "pICMS", Decimal(item.pICMS, 4, 2));
      Campo(grupo, "vICMS", FormataCentavos(vICMS));
      totais_.vBC += base;
      totais_.vICMS += vICMS;
    } else if (situacao == "40" || situacao == "41") {
      xml_node grupo = icms.append_child("ICMS40");
      Campo(grupo, "orig", orig);
      Campo(grupo, "CST", situacao);
    } else if (situacao == "60") {
      xml_node grupo = icms.append_child("ICMS60");
      Campo(grupo, "orig", orig);
      Campo(grupo, "CST", "60");
    } else {
      throw rtl::EConvertError(ErroItem(item, "ICMS situation (PRODUTO.CDSITTRIBICMS) '" +
                                                  item.CSTICMS + "' cannot be used in an NFC-e"));
    }
  }

  void Total(xml_node total) {
    xml_node icms = total.append_child("ICMSTot");
    const std::string zero = "0.00";
    Campo(icms, "vBC", FormataCentavos(totais_.vBC));
    Campo(icms, "vICMS", FormataCentavos(totais_.vICMS));
    for (const char* nome : {"vICMSDeson", "vFCP", "vBCST", "vST", "vFCPST", "vFCPSTRet"}) {
      Campo(icms, nome, zero);
    }
    Campo(icms, "vProd", FormataCentavos(totais_.vProd));
    Campo(icms, "vFrete", zero);
    Campo(icms, "vSeg", zero);
    Campo(icms, "vDesc", FormataCentavos(totais_.vDesc));
    for (const char* nome : {"vII", "vIPI", "vIPIDevol"}) Campo(icms, nome, zero);
    Campo(icms, "vPIS", FormataCentavos(totais_.vPIS));
    Campo(icms, "vCOFINS", FormataCentavos(totais_.vCOFINS));
    Campo(icms, "vOutro", FormataCentavos(totais_.vOutro));
    Campo(icms, "vNF", FormataCentavos(VNF()));
    ValorOpcional(icms, "vTotTrib", totais_.vTotTrib);
  }

  long long VNF() const { return totais_.vProd - totais_.vDesc + totais_.vOutro; }

  // The payment kind of the layout: the payment type's fiscal code. A type without one has no
  // kind: "other" would misstate the sale.
  std::string TipoPagamento(const Pagamento& pagamento) const {
    const std::string codigo = CodigoPagamento(pagamento.CDFPIMPFIS);
    if (codigo.empty()) {
      throw rtl::EConvertError(Onde() + ": payment type " + pagamento.CDTIPORECE + " (" +
                               pagamento.NMTIPORECE + ") has no payment code (CDFPIMPFIS '" +
                               pagamento.CDFPIMPFIS + "')");
    }
    return codigo;
  }

  void Pag(xml_node pag) {
    long long pago = 0;
    for (const Pagamento& pagamento : venda_.pagamentos) {
      const long long valor = Centavos(pagamento.valor);
      if (valor <= 0) continue;
      const std::string tPag = TipoPagamento(pagamento);
      xml_node det = pag.append_child("detPag");
      Campo(det, "tPag", tPag);
      if (tPag == "99") Campo(det, "xPag", TextoOu(pagamento.NMTIPORECE, 60, "OUTROS"));
      Campo(det, "vPag", FormataCentavos(valor));
      if (tPag == "03" || tPag == "04" || tPag == "17") {
        Campo(det.append_child("card"), "tpIntegra", "2");
      }
      pago += valor;
    }
    if (pago == 0) {
      // A sale paid by nothing the layout counts (a courtesy) still needs one payment line.
      xml_node det = pag.append_child("detPag");
      Campo(det, "tPag", "99");
      Campo(det, "xPag", "SEM PAGAMENTO");
      Campo(det, "vPag", "0.00");
    }
    if (pago > VNF()) Campo(pag, "vTroco", FormataCentavos(pago - VNF()));
  }

  const VendaGravada& venda_;
  const IdentificacaoNota& id_;
  pugi::xml_document doc_;
  Totais totais_;
  int nItem_ = 0;
};

}  // namespace

std::string Decimal2(double valor) {
  return FormataCentavos(Centavos(valor));
}

bool ConsumidorIdentificado(const Destinatario& destinatario) {
  const size_t tamanho = SoDigitos(destinatario.CPFCNPJ).size();
  return tamanho == 11 || tamanho == 14;
}

bool EntregaEmDomicilio(const Destinatario& destinatario) {
  return ConsumidorIdentificado(destinatario) ||
         destinatario.xLgr.find_first_not_of(' ') != std::string::npos;
}

std::string MontaXmlNfe(const VendaGravada& venda, const IdentificacaoNota& id) {
  return Construtor(venda, id).Monta();
}

}  // namespace VyrFiscal::Nfce
