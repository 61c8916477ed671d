#pragma once
// A recorded sale as the SAT tests need it: a Simples Nacional branch of São Paulo, a consumer
// with a CPF and a delivery address (its number and town), two items (one with a discount, a GTIN
// and the situation of goods under tax substitution) and two payments (cash and credit card).

#include "fiscal/sale/recorded_sale.h"

namespace sattest {

inline VyrFiscal::VendaGravada VendaDeTeste() {
  VyrFiscal::VendaGravada venda;
  venda.CDFILIAL = "0001";
  venda.CDCAIXA = "001";
  venda.NRSEQVENDA = "0000000042";
  venda.senha = "A17";
  venda.emitente.CNPJ = "11.222.333/0001-81";
  venda.emitente.IE = "111111111111";
  venda.emitente.CRT = "1";
  venda.emitente.xMun = "SAO PAULO";
  venda.emitente.UF = "SP";
  venda.destinatario.CPFCNPJ = "123.456.789-09";
  venda.destinatario.xNome = "MARIA SILVA";
  venda.destinatario.xLgr = "AVENIDA EXEMPLO";
  venda.destinatario.nro = "250";
  venda.destinatario.cMun = "3550308";
  venda.destinatario.xMun = "SAO PAULO";
  venda.destinatario.xBairro = "BELA VISTA";
  VyrFiscal::ItemVendido pizza;
  pizza.nItem = 1;
  pizza.cProd = "101";
  pizza.xProd = "PIZZA MUSSARELA";
  pizza.NCM = "21069090";
  pizza.CFOP = "5102";
  pizza.uCom = "UN";
  pizza.orig = "0";
  pizza.CSTICMS = "102";
  pizza.CSTPIS = "49";
  pizza.qCom = 2;
  pizza.vUnCom = 25.9;
  pizza.vProd = 51.8;
  pizza.vTotTrib = 7.05;
  VyrFiscal::ItemVendido batata = pizza;
  batata.nItem = 2;
  batata.cProd = "205";
  batata.xProd = "PORCAO BATATA FRITA";
  batata.CSTICMS = "500";
  batata.GTIN = "7891000315507";
  batata.qCom = 1;
  batata.vUnCom = 12.5;
  batata.vProd = 12.5;
  batata.vDesc = 2.5;
  batata.vTotTrib = 1.36;
  venda.itens = {pizza, batata};
  VyrFiscal::Pagamento dinheiro;
  dinheiro.CDFPIMPFIS = "01";
  dinheiro.valor = 50;
  VyrFiscal::Pagamento cartao;
  cartao.CDFPIMPFIS = "03";
  cartao.valor = 11.8;
  venda.pagamentos = {dinheiro, cartao};
  venda.vProd = 64.3;
  venda.vDesc = 2.5;
  venda.vNF = 61.8;
  return venda;
}

}  // namespace sattest
