// The CF-e sale XML of a recorded sale: the groups its branch's regime declares, PIS/COFINS by
// their situation, GTIN, the delivery address, payment codes, cleaned texts.

#include <gtest/gtest.h>

#include "fiscal/sat/cfe_sale_xml.h"
#include "packages/fiscal/sat_test_sale.h"

namespace {

using VyrFiscal::Sat::DadosCFe;
using VyrFiscal::Sat::MontaCFeVenda;

DadosCFe Dados() {
  DadosCFe dados;
  dados.cnpjSoftwareHouse = "11444777000161";
  dados.signAC = "SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT";
  dados.numeroCaixa = "001";
  dados.vCFeLei12741 = 8.41;
  return dados;
}

TEST(SatSaleXmlTest, ASimplesNacionalDeliveryWithConsumer) {
  VyrFiscal::VendaGravada venda = sattest::VendaDeTeste();
  venda.destinatario.xNome = "MARIA\x1b@ SILVA\x07";  // an ESC sequence and a bell
  EXPECT_EQ(
      "<CFe><infCFe versaoDadosEnt=\"0.08\"><ide><CNPJ>11444777000161</CNPJ>"
      "<signAC>SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT</signAC>"
      "<numeroCaixa>001</numeroCaixa></ide>"
      "<emit><CNPJ>11222333000181</CNPJ><IE>111111111111</IE><indRatISSQN>N</indRatISSQN></emit>"
      "<dest><CPF>12345678909</CPF><xNome>MARIA @ SILVA </xNome></dest>"
      "<entrega><xLgr>AVENIDA EXEMPLO</xLgr><nro>250</nro><xBairro>BELA VISTA</xBairro>"
      "<xMun>SAO PAULO</xMun><UF>SP</UF></entrega>"
      "<det nItem=\"1\"><prod><cProd>101</cProd><xProd>PIZZA MUSSARELA</xProd><NCM>21069090</NCM>"
      "<CFOP>5102</CFOP><uCom>UN</uCom><qCom>2.0000</qCom><vUnCom>25.90</vUnCom>"
      "<indRegra>A</indRegra></prod><imposto><vItem12741>7.05</vItem12741>"
      "<ICMS><ICMSSN102><Orig>0</Orig><CSOSN>102</CSOSN></ICMSSN102></ICMS>"
      "<PIS><PISSN><CST>49</CST></PISSN></PIS><COFINS><COFINSSN><CST>49</CST></COFINSSN></COFINS>"
      "</imposto></det>"
      "<det nItem=\"2\"><prod><cProd>205</cProd><cEAN>7891000315507</cEAN>"
      "<xProd>PORCAO BATATA FRITA</xProd>"
      "<NCM>21069090</NCM><CFOP>5102</CFOP><uCom>UN</uCom><qCom>1.0000</qCom>"
      "<vUnCom>12.50</vUnCom><indRegra>A</indRegra><vDesc>2.50</vDesc></prod>"
      "<imposto><vItem12741>1.36</vItem12741>"
      "<ICMS><ICMSSN102><Orig>0</Orig><CSOSN>500</CSOSN></ICMSSN102></ICMS>"
      "<PIS><PISSN><CST>49</CST></PISSN></PIS><COFINS><COFINSSN><CST>49</CST></COFINSSN></COFINS>"
      "</imposto></det>"
      "<total><vCFeLei12741>8.41</vCFeLei12741></total>"
      "<pgto><MP><cMP>01</cMP><vMP>50.00</vMP></MP><MP><cMP>03</cMP><vMP>11.80</vMP></MP></pgto>"
      "<infAdic><infCpl>Pedido A17</infCpl></infAdic></infCFe></CFe>",
      MontaCFeVenda(venda, Dados()));
}

TEST(SatSaleXmlTest, ANormalRegimeSaleWithoutConsumer) {
  VyrFiscal::VendaGravada venda = sattest::VendaDeTeste();
  venda.emitente.CRT = "3";
  venda.destinatario = {};
  venda.senha.clear();
  venda.itens.resize(1);
  venda.itens[0].CSTICMS = "00";
  venda.itens[0].pICMS = 18;
  venda.itens[0].CSTPIS = "01";
  venda.itens[0].pPIS = 0.65;
  venda.itens[0].pCOFINS = 3;
  venda.itens[0].vTotTrib = 0;
  venda.pagamentos.resize(1);
  DadosCFe dados = Dados();
  dados.vCFeLei12741 = 0;
  EXPECT_EQ(
      "<CFe><infCFe versaoDadosEnt=\"0.08\"><ide><CNPJ>11444777000161</CNPJ>"
      "<signAC>SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT</signAC>"
      "<numeroCaixa>001</numeroCaixa></ide>"
      "<emit><CNPJ>11222333000181</CNPJ><IE>111111111111</IE><indRatISSQN>N</indRatISSQN></emit>"
      "<dest/>"
      "<det nItem=\"1\"><prod><cProd>101</cProd><xProd>PIZZA MUSSARELA</xProd><NCM>21069090</NCM>"
      "<CFOP>5102</CFOP><uCom>UN</uCom><qCom>2.0000</qCom><vUnCom>25.90</vUnCom>"
      "<indRegra>A</indRegra></prod><imposto>"
      "<ICMS><ICMS00><Orig>0</Orig><CST>00</CST><pICMS>18.00</pICMS></ICMS00></ICMS>"
      "<PIS><PISAliq><CST>01</CST><vBC>51.80</vBC><pPIS>0.0065</pPIS></PISAliq></PIS>"
      "<COFINS><COFINSAliq><CST>01</CST><vBC>51.80</vBC><pCOFINS>0.0300</pCOFINS></COFINSAliq>"
      "</COFINS></imposto></det>"
      "<total/><pgto><MP><cMP>01</cMP><vMP>50.00</vMP></MP></pgto></infCFe></CFe>",
      MontaCFeVenda(venda, dados));
}

// A situation the regime has no group for, or a payment type without a payment code, is an
// error naming it: never CSOSN 102 or cMP 99 by default.
TEST(SatSaleXmlTest, NoGroupOrPaymentCodeIsGuessed) {
  VyrFiscal::VendaGravada venda = sattest::VendaDeTeste();
  venda.itens[1].CSTICMS = "60";  // a CST on a Simples Nacional branch
  venda.itens[1].situacaoProduto = "60";
  std::string erros;
  try {
    MontaCFeVenda(venda, Dados());
  } catch (const std::exception& e) {
    erros += std::string(e.what()) + "\n";
  }
  venda = sattest::VendaDeTeste();
  venda.pagamentos[1].CDTIPORECE = "002";
  venda.pagamentos[1].NMTIPORECE = "CARTAO";
  venda.pagamentos[1].CDFPIMPFIS = "CR";
  try {
    MontaCFeVenda(venda, Dados());
  } catch (const std::exception& e) {
    erros += e.what();
  }
  EXPECT_EQ(
      "CF-e of sale 0001/001/0000000042, item 2 (product 205): ICMS situation "
      "(PRODUTO.CDSITTRIBICMS) '60' has no group for regime 1 (SITTRIBREGIME)\n"
      "CF-e of sale 0001/001/0000000042: payment type 002 (CARTAO) has no payment code "
      "(CDFPIMPFIS 'CR')",
      erros);
}

}  // namespace
