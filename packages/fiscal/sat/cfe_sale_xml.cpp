#include "fiscal/sat/cfe_sale_xml.h"

#include <cstdio>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "vyrutil/strings.h"

namespace VyrFiscal::Sat {
namespace {

const std::set<std::string> kMeiosPagamento = {"01", "02", "03", "04", "05", "10", "11", "12",
                                               "13", "15", "16", "17", "18", "19", "90", "99"};

std::string Decimal(double valor, int casas) {
  char texto[40];
  std::snprintf(texto, sizeof texto, "%.*f", casas, valor);
  return texto;
}

using VyrUtil::SoDigitos;

pugi::xml_node Poe(pugi::xml_node pai, const char* nome, const std::string& valor) {
  pugi::xml_node no = pai.append_child(nome);
  no.text().set(valor.c_str());
  return no;
}

void PoeSeHouver(pugi::xml_node pai, const char* nome, const std::string& valor) {
  if (!valor.empty()) Poe(pai, nome, valor);
}

bool SimplesNacional(const Emitente& emitente) {
  return emitente.CRT == "1" || emitente.CRT == "2";
}

void Icms(pugi::xml_node imposto, const ItemVendido& item, bool simples) {
  pugi::xml_node icms = imposto.append_child("ICMS");
  const std::string orig = item.orig.empty() ? "0" : item.orig;
  const std::string& cst = item.CSTICMS;
  if (simples) {
    const bool sn900 = cst == "900";
    pugi::xml_node grupo = icms.append_child(sn900 ? "ICMSSN900" : "ICMSSN102");
    Poe(grupo, "Orig", orig);
    const bool conhecido = cst == "102" || cst == "300" || cst == "400" || cst == "500" || sn900;
    Poe(grupo, "CSOSN", conhecido ? cst : "102");
    if (sn900) Poe(grupo, "pICMS", Decimal(item.pICMS, 2));
    return;
  }
  const bool tributado = cst == "00" || cst == "20" || cst == "90" ||
                         (cst != "40" && cst != "41" && cst != "60" && item.pICMS > 0);
  pugi::xml_node grupo = icms.append_child(tributado ? "ICMS00" : "ICMS40");
  Poe(grupo, "Orig", orig);
  if (tributado) {
    Poe(grupo, "CST", cst == "20" || cst == "90" ? cst : "00");
    Poe(grupo, "pICMS", Decimal(item.pICMS, 2));
  } else {
    Poe(grupo, "CST", cst == "41" || cst == "60" ? cst : "40");
  }
}

// The sale records no PIS or COFINS rates: Simples Nacional uses its own situation 49; the
// other regimes declare the item's base with a zero rate (situation 99).
void PisCofins(pugi::xml_node imposto, const char* tributo, double base, bool simples) {
  pugi::xml_node no = imposto.append_child(tributo);
  const std::string nome = tributo;
  if (simples) {
    Poe(no.append_child((nome + "SN").c_str()), "CST", "49");
    return;
  }
  pugi::xml_node outr = no.append_child((nome + "Outr").c_str());
  Poe(outr, "CST", "99");
  Poe(outr, "vBC", Decimal(base, 2));
  Poe(outr, ("p" + nome).c_str(), "0.0000");
}

void Item(pugi::xml_node infCFe, const ItemVendido& item, int nItem, bool simples) {
  pugi::xml_node det = infCFe.append_child("det");
  det.append_attribute("nItem").set_value(nItem);
  pugi::xml_node prod = det.append_child("prod");
  Poe(prod, "cProd", item.cProd);
  Poe(prod, "xProd", item.xProd);
  if (SoDigitos(item.NCM).size() == 8) Poe(prod, "NCM", SoDigitos(item.NCM));
  Poe(prod, "CFOP", item.CFOP.empty() ? "5102" : item.CFOP);
  Poe(prod, "uCom", item.uCom.empty() ? "UN" : item.uCom);
  Poe(prod, "qCom", Decimal(item.qCom, 4));
  Poe(prod, "vUnCom", Decimal(item.vUnCom, 2));
  Poe(prod, "indRegra", "A");
  if (item.vDesc >= 0.005) Poe(prod, "vDesc", Decimal(item.vDesc, 2));
  if (item.vOutro >= 0.005) Poe(prod, "vOutro", Decimal(item.vOutro, 2));
  pugi::xml_node imposto = det.append_child("imposto");
  if (item.vTotTrib >= 0.005) Poe(imposto, "vItem12741", Decimal(item.vTotTrib, 2));
  Icms(imposto, item, simples);
  const double base = item.vProd - item.vDesc + item.vOutro;
  PisCofins(imposto, "PIS", base, simples);
  PisCofins(imposto, "COFINS", base, simples);
}

void Consumidor(pugi::xml_node infCFe, const VendaGravada& venda) {
  const Destinatario& d = venda.destinatario;
  pugi::xml_node dest = infCFe.append_child("dest");
  const std::string doc = SoDigitos(d.CPFCNPJ);
  if (doc.size() == 11 || doc.size() == 14) {
    Poe(dest, doc.size() == 11 ? "CPF" : "CNPJ", doc);
    PoeSeHouver(dest, "xNome", d.xNome);
  }
  if (d.xLgr.empty() || d.xBairro.empty()) return;
  pugi::xml_node entrega = infCFe.append_child("entrega");
  Poe(entrega, "xLgr", d.xLgr);
  Poe(entrega, "nro", "S/N");
  PoeSeHouver(entrega, "xCpl", d.xCpl);
  Poe(entrega, "xBairro", d.xBairro);
  Poe(entrega, "xMun", venda.emitente.xMun);
  Poe(entrega, "UF", d.UF.empty() ? venda.emitente.UF : d.UF);
}

}  // namespace

std::string MontaCFeVenda(const VendaGravada& venda, const DadosCFe& dados) {
  pugi::xml_document doc;
  pugi::xml_node infCFe = doc.append_child("CFe").append_child("infCFe");
  infCFe.append_attribute("versaoDadosEnt").set_value("0.07");
  pugi::xml_node ide = infCFe.append_child("ide");
  Poe(ide, "CNPJ", dados.cnpjSoftwareHouse);
  Poe(ide, "signAC", dados.signAC);
  Poe(ide, "numeroCaixa", dados.numeroCaixa);
  pugi::xml_node emit = infCFe.append_child("emit");
  Poe(emit, "CNPJ", SoDigitos(venda.emitente.CNPJ));
  Poe(emit, "IE", SoDigitos(venda.emitente.IE));
  Poe(emit, "indRatISSQN", "N");
  Consumidor(infCFe, venda);
  const bool simples = SimplesNacional(venda.emitente);
  int nItem = 0;
  for (const ItemVendido& item : venda.itens) Item(infCFe, item, ++nItem, simples);
  pugi::xml_node total = infCFe.append_child("total");
  if (dados.vCFeLei12741 >= 0.005) Poe(total, "vCFeLei12741", Decimal(dados.vCFeLei12741, 2));
  pugi::xml_node pgto = infCFe.append_child("pgto");
  for (const Pagamento& pagamento : venda.pagamentos) {
    if (pagamento.valor < 0.005) continue;
    pugi::xml_node mp = pgto.append_child("MP");
    const bool conhecido = kMeiosPagamento.count(pagamento.CDFPIMPFIS) > 0;
    Poe(mp, "cMP", conhecido ? pagamento.CDFPIMPFIS : "99");
    Poe(mp, "vMP", Decimal(pagamento.valor, 2));
  }
  if (!venda.senha.empty()) {
    Poe(infCFe.append_child("infAdic"), "infCpl", "Pedido " + venda.senha);
  }
  std::ostringstream saida;
  doc.save(saida, "", pugi::format_raw | pugi::format_no_declaration);
  return saida.str();
}

}  // namespace VyrFiscal::Sat
