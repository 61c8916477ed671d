#include "fiscal/sat/cfe_sale_xml.h"

#include <cstdio>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "fiscal/sale/tax_situation.h"
#include "rtl/errors.h"
#include "vyrutil/access_key.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Sat {
namespace {

std::string Decimal(double valor, int casas) {
  char texto[40];
  std::snprintf(texto, sizeof texto, "%.*f", casas, valor);
  return texto;
}

using VyrUtil::SoDigitos;

// Every text is cleaned of what XML 1.0 and the extract's printer cannot carry.
pugi::xml_node Poe(pugi::xml_node pai, const char* nome, const std::string& valor) {
  pugi::xml_node no = pai.append_child(nome);
  no.text().set(VyrUtil::TextoLimpo(valor).c_str());
  return no;
}

std::string Onde(const VendaGravada& venda) {
  return "CF-e of sale " + venda.CDFILIAL + "/" + venda.CDCAIXA + "/" + venda.NRSEQVENDA;
}

std::string OndeItem(const VendaGravada& venda, const ItemVendido& item) {
  return Onde(venda) + ", item " + std::to_string(item.nItem) + " (product " + item.cProd + ")";
}

void PoeSeHouver(pugi::xml_node pai, const char* nome, const std::string& valor) {
  if (!valor.empty()) Poe(pai, nome, valor);
}

// The ICMS group of the situation the branch's regime declares for the item; a situation the
// regime has no group for is an error, never a guess.
void Icms(pugi::xml_node imposto, const VendaGravada& venda, const ItemVendido& item) {
  const std::string& situacao = item.CSTICMS;
  if (!SituacaoIcmsDeclaravel(venda.emitente.CRT, situacao)) {
    throw rtl::EConvertError(OndeItem(venda, item) + ": ICMS situation (PRODUTO.CDSITTRIBICMS) '" +
                             item.situacaoProduto + "' has no group for regime " +
                             venda.emitente.CRT + " (SITTRIBREGIME)");
  }
  pugi::xml_node icms = imposto.append_child("ICMS");
  const std::string orig = item.orig.empty() ? "0" : item.orig;
  if (RegimeDeCsosn(venda.emitente.CRT)) {
    pugi::xml_node grupo = icms.append_child("ICMSSN102");
    Poe(grupo, "Orig", orig);
    Poe(grupo, "CSOSN", situacao);
    return;
  }
  const bool tributado = situacao == "00";
  pugi::xml_node grupo = icms.append_child(tributado ? "ICMS00" : "ICMS40");
  Poe(grupo, "Orig", orig);
  Poe(grupo, "CST", situacao);
  if (tributado) Poe(grupo, "pICMS", Decimal(item.pICMS, 2));
}

// PIS or COFINS of the item by its situation (the product's, else its regime's).
void PisCofins(pugi::xml_node imposto, const std::string& tributo, const VendaGravada& venda,
               const ItemVendido& item, double aliquota) {
  const std::string& cst = item.CSTPIS;
  if (!SituacaoPisDeclaravel(cst)) {
    throw rtl::EConvertError(OndeItem(venda, item) +
                             ": PIS/COFINS situation (PRODUTO.CDSITTRIBPIS) '" + cst +
                             "' cannot be used in a CF-e");
  }
  pugi::xml_node no = imposto.append_child(tributo.c_str());
  const double base = item.vProd - item.vDesc + item.vOutro;
  if (cst == "49") {
    Poe(no.append_child((tributo + "SN").c_str()), "CST", cst);
  } else if (cst == "01" || cst == "02" || cst == "99") {
    pugi::xml_node grupo = no.append_child((tributo + (cst == "99" ? "Outr" : "Aliq")).c_str());
    Poe(grupo, "CST", cst);
    Poe(grupo, "vBC", Decimal(base, 2));
    Poe(grupo, ("p" + tributo).c_str(), Decimal(aliquota / 100.0, 4));
  } else {
    Poe(no.append_child((tributo + "NT").c_str()), "CST", cst);
  }
}

void Item(pugi::xml_node infCFe, const VendaGravada& venda, const ItemVendido& item, int nItem) {
  pugi::xml_node det = infCFe.append_child("det");
  det.append_attribute("nItem").set_value(nItem);
  pugi::xml_node prod = det.append_child("prod");
  Poe(prod, "cProd", item.cProd);
  if (VyrUtil::GtinValido(item.GTIN)) Poe(prod, "cEAN", item.GTIN);
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
  Icms(imposto, venda, item);
  PisCofins(imposto, "PIS", venda, item, item.pPIS);
  PisCofins(imposto, "COFINS", venda, item, item.pCOFINS);
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
  Poe(entrega, "nro", d.nro.empty() ? "S/N" : d.nro);
  PoeSeHouver(entrega, "xCpl", d.xCpl);
  Poe(entrega, "xBairro", d.xBairro);
  Poe(entrega, "xMun", d.xMun.empty() ? venda.emitente.xMun : d.xMun);
  Poe(entrega, "UF", d.UF.empty() ? venda.emitente.UF : d.UF);
}

}  // namespace

std::string MontaCFeVenda(const VendaGravada& venda, const DadosCFe& dados) {
  pugi::xml_document doc;
  pugi::xml_node infCFe = doc.append_child("CFe").append_child("infCFe");
  infCFe.append_attribute("versaoDadosEnt").set_value(kVersaoDadosEnt);
  pugi::xml_node ide = infCFe.append_child("ide");
  Poe(ide, "CNPJ", dados.cnpjSoftwareHouse);
  Poe(ide, "signAC", dados.signAC);
  Poe(ide, "numeroCaixa", dados.numeroCaixa);
  pugi::xml_node emit = infCFe.append_child("emit");
  Poe(emit, "CNPJ", SoDigitos(venda.emitente.CNPJ));
  Poe(emit, "IE", SoDigitos(venda.emitente.IE));
  Poe(emit, "indRatISSQN", "N");
  Consumidor(infCFe, venda);
  int nItem = 0;
  for (const ItemVendido& item : venda.itens) Item(infCFe, venda, item, ++nItem);
  pugi::xml_node total = infCFe.append_child("total");
  if (dados.vCFeLei12741 >= 0.005) Poe(total, "vCFeLei12741", Decimal(dados.vCFeLei12741, 2));
  pugi::xml_node pgto = infCFe.append_child("pgto");
  for (const Pagamento& pagamento : venda.pagamentos) {
    if (pagamento.valor < 0.005) continue;
    pugi::xml_node mp = pgto.append_child("MP");
    const std::string cMP = CodigoPagamento(pagamento.CDFPIMPFIS);
    if (cMP.empty()) {
      throw rtl::EConvertError(Onde(venda) + ": payment type " + pagamento.CDTIPORECE + " (" +
                               pagamento.NMTIPORECE + ") has no payment code (CDFPIMPFIS '" +
                               pagamento.CDFPIMPFIS + "')");
    }
    Poe(mp, "cMP", cMP);
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
