// The customer's receipts laid out from a receipt model: the NFC-e receipt and the SAT extract.

#include "fiscal/receipt/receipt_layout.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace VyrFiscal::Cupom;

VyrFiscal::VendaGravada Venda() {
  VyrFiscal::VendaGravada v;
  v.emitente.CNPJ = "11222333000181";
  v.emitente.xNome = "RESTAURANTE EXEMPLO LTDA";
  v.emitente.xFant = "CANTINA EXEMPLO";
  v.emitente.IE = "111111111111";
  v.emitente.xLgr = "RUA DAS FLORES";
  v.emitente.nro = "100";
  v.emitente.xBairro = "CENTRO";
  v.emitente.xMun = "SAO PAULO";
  v.emitente.UF = "SP";
  v.destinatario.CPFCNPJ = "12345678909";
  v.destinatario.xNome = "MARIA DA SILVA";
  v.destinatario.xLgr = "AVENIDA EXEMPLO 250";
  v.destinatario.xCpl = "AP 12";
  v.destinatario.xBairro = "BELA VISTA";
  v.destinatario.UF = "SP";
  v.destinatario.CEP = "01310000";
  VyrFiscal::ItemVendido pizza;
  pizza.nItem = 1;
  pizza.cProd = "101";
  pizza.xProd = "PIZZA MARGUERITA GRANDE COM BORDA RECHEADA DE CATUPIRY";
  pizza.uCom = "UN";
  pizza.qCom = 2;
  pizza.vUnCom = 25.9;
  pizza.vProd = 51.8;
  pizza.vTotTrib = 7.05;
  VyrFiscal::ItemVendido batata;
  batata.nItem = 2;
  batata.cProd = "205";
  batata.xProd = "PORÇÃO BATATA FRITA";
  batata.uCom = "UN";
  batata.qCom = 1;
  batata.vUnCom = 12.5;
  batata.vProd = 12.5;
  batata.vDesc = 2.5;
  batata.vTotTrib = 1.36;
  v.itens = {pizza, batata};
  VyrFiscal::Pagamento dinheiro;
  dinheiro.NMTIPORECE = "Dinheiro";
  dinheiro.valor = 70;
  v.pagamentos = {dinheiro};
  v.vProd = 64.3;
  v.vDesc = 2.5;
  v.vNF = 61.8;
  return v;
}

Recibo Nfce() {
  Recibo r;
  r.tipo = TipoRecibo::VendaNfce;
  r.vendaConhecida = true;
  r.venda = Venda();
  r.chave = "35260311222333000181650010000001231482135765";
  r.senha = "0042";
  r.qrCode = "https://sefaz.example/nfce/qrcode?p=3526|2|2|1|2006A3";
  r.nNF = "000000123";
  r.serie = "001";
  r.dhEmi = "2026-03-10T19:42:05-03:00";
  r.tpAmb = "1";
  r.urlConsulta = "https://sefaz.example/nfce/consulta";
  r.protocolo = "135260000000001";
  r.dhRecbto = "2026-03-10T19:42:07-03:00";
  r.tribFederal = 4.2;
  r.tribEstadual = 5.21;
  return r;
}

// The lines of `texto` that contain one of `palavras`, joined by "|".
std::string LinhasCom(const std::string& texto, std::initializer_list<const char*> palavras) {
  std::istringstream linhas(texto);
  std::string linha, achadas;
  while (std::getline(linhas, linha)) {
    for (const char* palavra : palavras) {
      if (linha.find(palavra) == std::string::npos) continue;
      achadas += linha.substr(linha.find_first_not_of(' ')) + "|";
      break;
    }
  }
  return achadas;
}

TEST(ReceiptLayoutTest, NfceReceiptOfADeliverySale) {
  EXPECT_EQ(
      "            RESTAURANTE EXEMPLO LTDA\n"
      "   CNPJ: 11.222.333/0001-81 IE: 111111111111\n"
      "          RUA DAS FLORES, 100 - CENTRO\n"
      "                 SAO PAULO - SP\n"
      "Documento Auxiliar da Nota Fiscal de Consumidor\n"
      "                   Eletrônica\n"
      "------------------------------------------------\n"
      "Código Descrição\n"
      "Qtde UN x Vl Unit                       Vl Total\n"
      "------------------------------------------------\n"
      "101 PIZZA MARGUERITA GRANDE COM BORDA RECHEADA\n"
      "DE CATUPIRY\n"
      "  2 UN x 25,90                             51,80\n"
      "205 PORÇÃO BATATA FRITA\n"
      "  1 UN x 12,50                             12,50\n"
      "  Desconto                                 -2,50\n"
      "------------------------------------------------\n"
      "Qtde total de itens                            2\n"
      "Valor total R$                             64,30\n"
      "Desconto R$                                 2,50\n"
      "Valor a Pagar R$                           61,80\n"
      "FORMA PAGAMENTO                    VALOR PAGO R$\n"
      "Dinheiro                                   70,00\n"
      "Troco R$                                    8,20\n"
      "------------------------------------------------\n"
      "        Consulte pela Chave de Acesso em\n"
      "      https://sefaz.example/nfce/consulta\n"
      "         3526 0311 2223 3300 0181 6500\n"
      "            1000 0001 2314 8213 5765\n"
      "------------------------------------------------\n"
      "        CONSUMIDOR - CPF 123.456.789-09\n"
      "                 MARIA DA SILVA\n"
      "AVENIDA EXEMPLO 250, AP 12 - BELA VISTA - SP\n"
      "01310000\n"
      "          NFC-e nº 000000123 Série 001\n"
      "          Emissão: 10/03/2026 19:42:05\n"
      "   Protocolo de Autorização: 135260000000001\n"
      "    Data de Autorização: 10/03/2026 19:42:07\n"
      "         Consulta via leitor de QR Code\n"
      "https://sefaz.example/nfce/qrcode?p=3526|2|2|1|2\n"
      "006A3\n"
      "------------------------------------------------\n"
      "Valores aproximados dos tributos: Fed R$ 4,20 /\n"
      "Est R$ 5,21 Fonte: IBPT\n"
      "------------------------------------------------\n"
      "              SENHA 0042\n",
      TextoDoDocumento(MontaRecibo(Nfce())));
}

TEST(ReceiptLayoutTest, ContingencyNotePrintsTwoCopiesAwaitingAuthorisation) {
  Recibo r = Nfce();
  r.contingencia = true;
  r.protocolo.clear();
  r.tpAmb = "2";
  const Documento documento = MontaRecibo(r);
  int cortes = 0;
  for (const Bloco& bloco : documento) cortes += bloco.tipo == Bloco::Tipo::Corte;
  EXPECT_EQ(
      "EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR|EMITIDA EM CONTINGÊNCIA|"
      "EMITIDA EM CONTINGÊNCIA|Pendente de autorização|Via Consumidor|"
      "EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR|EMITIDA EM CONTINGÊNCIA|"
      "EMITIDA EM CONTINGÊNCIA|Pendente de autorização|Via Estabelecimento|cuts: 2",
      LinhasCom(TextoDoDocumento(documento), {"EMITIDA", "autoriza", "Autoriza", "Via "}) +
          "cuts: " + std::to_string(cortes));
}

TEST(ReceiptLayoutTest, SatExtractWithKeyBarCodesAndQrCode) {
  Recibo r;
  r.tipo = TipoRecibo::ExtratoSat;
  r.vendaConhecida = true;
  r.venda = Venda();
  r.chave = "35150908723218000186599000040190000723645630";
  r.senha = "17";
  r.qrCode = "35150908723218000186599000040190000723645630|20150718154423|61.80|12345678909|Z5nV";
  r.nCFe = "000072";
  r.nserieSAT = "900004019";
  r.timeStamp = "20150718154423";
  r.consumidorSat = "12345678909";
  r.tribFederal = 4.2;
  r.tribEstadual = 5.21;
  EXPECT_EQ(
      "                CANTINA EXEMPLO\n"
      "            RESTAURANTE EXEMPLO LTDA\n"
      "   CNPJ: 11.222.333/0001-81 IE: 111111111111\n"
      "          RUA DAS FLORES, 100 - CENTRO\n"
      "                 SAO PAULO - SP\n"
      "------------------------------------------------\n"
      "               Extrato No. 000072\n"
      "         CUPOM FISCAL ELETRÔNICO - SAT\n"
      "------------------------------------------------\n"
      "CPF/CNPJ do Consumidor: 123.456.789-09\n"
      "------------------------------------------------\n"
      "# | COD | DESC | QTD | UN | VL UN R$ | (VL TR\n"
      "R$)* | VL ITEM R$\n"
      "------------------------------------------------\n"
      "001 101 PIZZA MARGUERITA GRANDE COM BORDA\n"
      "RECHEADA DE CATUPIRY\n"
      "    2 UN X 25,90 (7,05)                    51,80\n"
      "002 205 PORÇÃO BATATA FRITA\n"
      "    1 UN X 12,50 (1,36)                    12,50\n"
      "    desconto sobre item                    -2,50\n"
      "------------------------------------------------\n"
      "* Valor aproximado dos tributos do item\n"
      "Total bruto de itens                       64,30\n"
      "Total de descontos                         -2,50\n"
      "TOTAL R$                                   61,80\n"
      "Dinheiro                                   70,00\n"
      "Troco R$                                    8,20\n"
      "------------------------------------------------\n"
      "DADOS PARA ENTREGA\n"
      "MARIA DA SILVA\n"
      "AVENIDA EXEMPLO 250, AP 12 - BELA VISTA - SP\n"
      "01310000\n"
      "------------------------------------------------\n"
      "OBSERVAÇÕES DO CONTRIBUINTE\n"
      "Valores aproximados dos tributos: Fed R$ 4,20 /\n"
      "Est R$ 5,21 Fonte: IBPT (Lei Fed. 12.741/2012)\n"
      "------------------------------------------------\n"
      "               SAT No. 900004019\n"
      "              18/07/2015 15:44:23\n"
      "         3515 0908 7232 1800 0186 5990\n"
      "            0004 0190 0007 2364 5630\n"
      "            351509087232180001865990\n"
      "              00040190000723645630\n"
      "35150908723218000186599000040190000723645630|201\n"
      "50718154423|61.80|12345678909|Z5nV\n"
      " Consulte o QR Code pelo aplicativo \"De olho na\n"
      "                     nota\"\n"
      "------------------------------------------------\n"
      "                SENHA 17\n",
      TextoDoDocumento(MontaRecibo(r)));
}

// A delivery without the consumer's number still prints where it goes; a second copy says so
// under the title, on the DANFE and on the SAT extract.
TEST(ReceiptLayoutTest, SecondCopiesAndADeliveryWithoutTaxNumber) {
  Recibo nfce = Nfce();
  nfce.venda.destinatario.CPFCNPJ.clear();
  nfce.segundaVia = true;
  Recibo sat;
  sat.tipo = TipoRecibo::ExtratoSat;
  sat.nCFe = "000072";
  sat.segundaVia = true;
  Recibo primeira = Nfce();
  EXPECT_EQ(
      "2ª VIA|CONSUMIDOR NÃO IDENTIFICADO|MARIA DA SILVA|AVENIDA EXEMPLO 250, AP 12 - BELA VISTA "
      "- SP|#Extrato No. 000072|2ª VIA|#",
      LinhasCom(TextoDoDocumento(MontaRecibo(nfce)), {"VIA", "CONSUMIDOR", "MARIA", "AVENIDA"}) +
          "#" + LinhasCom(TextoDoDocumento(MontaRecibo(sat)), {"VIA", "Extrato"}) + "#" +
          LinhasCom(TextoDoDocumento(MontaRecibo(primeira)), {"VIA"}));
}

}  // namespace
