#include "fiscal/receipt/receipt_layout.h"

#include <cmath>
#include <cstdio>

#include "vyrutil/strings.h"

namespace VyrFiscal::Cupom {

namespace {

bool Continuacao(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The first `n` characters of a UTF-8 text.
std::string Prefixo(const std::string& texto, int n) {
  size_t pos = 0;
  for (int contados = 0; pos < texto.size(); ++pos) {
    if (!Continuacao(texto[pos]) && contados++ == n) break;
  }
  return texto.substr(0, pos);
}

// Word wrap at `largura` characters; a word longer than a line is cut.
std::vector<std::string> Quebra(const std::string& texto, int largura) {
  std::vector<std::string> linhas;
  std::string linha;
  size_t inicio = 0;
  while (inicio <= texto.size()) {
    size_t fim = texto.find(' ', inicio);
    if (fim == std::string::npos) fim = texto.size();
    std::string palavra = texto.substr(inicio, fim - inicio);
    inicio = fim + 1;
    if (palavra.empty()) continue;
    while (Largura(palavra) > largura) {
      if (!linha.empty()) linhas.push_back(linha), linha.clear();
      const std::string parte = Prefixo(palavra, largura);
      linhas.push_back(parte);
      palavra = palavra.substr(parte.size());
    }
    if (linha.empty()) {
      linha = palavra;
    } else if (Largura(linha) + 1 + Largura(palavra) <= largura) {
      linha += " " + palavra;
    } else {
      linhas.push_back(linha);
      linha = palavra;
    }
  }
  if (!linha.empty()) linhas.push_back(linha);
  return linhas;
}

std::string Quantidade(double q) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", q);
  std::string texto = buffer;
  while (texto.back() == '0') texto.pop_back();
  if (texto.back() == '.') texto.pop_back();
  for (char& c : texto) {
    if (c == '.') c = ',';
  }
  return texto;
}

// A document number as receipts show it, left-padded with zeros to `largura` digits.
std::string Zeros(const std::string& numero, size_t largura) {
  return numero.size() < largura ? std::string(largura - numero.size(), '0') + numero : numero;
}

std::string CpfCnpj(const std::string& d) {
  if (d.size() == 11) {
    return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9);
  }
  if (d.size() == 14) {
    return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) +
           "-" + d.substr(12);
  }
  return d;
}

// "2026-03-10T19:42:05-03:00" -> "10/03/2026 19:42:05"; other texts as they are.
std::string DataHoraIso(const std::string& t) {
  if (t.size() < 19 || t[4] != '-' || t[7] != '-') return t;
  return t.substr(8, 2) + "/" + t.substr(5, 2) + "/" + t.substr(0, 4) + " " + t.substr(11, 8);
}

// "20150718154423" -> "18/07/2015 15:44:23".
std::string DataHoraSat(const std::string& t) {
  if (t.size() != 14) return t;
  return t.substr(6, 2) + "/" + t.substr(4, 2) + "/" + t.substr(0, 4) + " " + t.substr(8, 2) + ":" +
         t.substr(10, 2) + ":" + t.substr(12, 2);
}

std::string Junta(std::initializer_list<std::string> partes, const std::string& separador) {
  std::string texto;
  for (const std::string& parte : partes) {
    if (parte.empty()) continue;
    if (!texto.empty()) texto += separador;
    texto += parte;
  }
  return texto;
}

// Every text reaches the receipt through Linha, Grande or Par, which clean it first
// (VyrUtil::TextoLimpo): nothing the order holds can reach the printer as a command.
class Montador {
 public:
  void Linha(const std::string& bruto, bool centro = false, bool destaque = false) {
    const std::string texto = VyrUtil::TextoLimpo(bruto);
    const bool cabe = !texto.empty() && Largura(texto) <= kColunas;  // keeps its own spacing
    for (const std::string& linha :
         cabe ? std::vector<std::string>{texto} : Quebra(texto, kColunas)) {
      Bloco bloco;
      bloco.texto = linha;
      bloco.centro = centro;
      bloco.destaque = destaque;
      documento_.push_back(bloco);
    }
  }
  void Centro(const std::string& texto, bool destaque = false) { Linha(texto, true, destaque); }
  void Grande(const std::string& texto) {
    for (const std::string& linha : Quebra(VyrUtil::TextoLimpo(texto), kColunas / 2)) {
      Bloco bloco;
      bloco.texto = linha;
      bloco.centro = bloco.destaque = bloco.grande = true;
      documento_.push_back(bloco);
    }
  }
  // `esquerda` and `direita` on one line, `direita` flush right; on two lines when too long.
  void Par(const std::string& brutoEsquerda, const std::string& brutoDireita,
           bool destaque = false) {
    const std::string esquerda = VyrUtil::TextoLimpo(brutoEsquerda);
    const std::string direita = VyrUtil::TextoLimpo(brutoDireita);
    const int espaco = kColunas - Largura(esquerda) - Largura(direita);
    if (espaco >= 1) {
      Linha(esquerda + std::string(espaco, ' ') + direita, false, destaque);
      return;
    }
    Linha(esquerda, false, destaque);
    Linha(std::string(std::max(0, kColunas - Largura(direita)), ' ') + direita, false, destaque);
  }
  void Separador() { Linha(std::string(kColunas, '-')); }
  void Codigo(Bloco::Tipo tipo, const std::string& texto) {
    Bloco bloco;
    bloco.tipo = tipo;
    bloco.texto = texto;
    bloco.centro = true;
    documento_.push_back(bloco);
  }
  Documento Pronto() {
    Bloco corte;
    corte.tipo = Bloco::Tipo::Corte;
    documento_.push_back(corte);
    return std::move(documento_);
  }

 private:
  Documento documento_;
};

void Cabecalho(Montador& m, const Emitente& e, bool fantasiaPrimeiro) {
  if (fantasiaPrimeiro && !e.xFant.empty()) m.Centro(e.xFant, true);
  m.Centro(e.xNome, !fantasiaPrimeiro || e.xFant.empty());
  m.Centro(Junta(
      {e.CNPJ.empty() ? "" : "CNPJ: " + CpfCnpj(e.CNPJ), e.IE.empty() ? "" : "IE: " + e.IE}, " "));
  m.Centro(Junta({Junta({e.xLgr, e.nro, e.xCpl}, ", "), e.xBairro}, " - "));
  m.Centro(Junta({e.xMun, e.UF}, " - "));
}

// The key in groups of four; too long for a line, on two lines of about as many groups each,
// parted between groups.
void ChaveCentrada(Montador& m, const std::string& chave) {
  const std::string grupos = ChaveEmGrupos(chave);
  if (Largura(grupos) <= kColunas) {
    m.Centro(grupos);
    return;
  }
  const size_t primeira = ((grupos.size() + 1) / 5 + 1) / 2 * 5;  // its groups, with their blanks
  m.Centro(grupos.substr(0, primeira - 1));
  m.Centro(grupos.substr(primeira));
}

double Pago(const VendaGravada& v) {
  double pago = 0;
  for (const Pagamento& p : v.pagamentos) pago += p.valor;
  return pago;
}

void Pagamentos(Montador& m, const VendaGravada& v) {
  for (const Pagamento& p : v.pagamentos) {
    m.Par(p.NMTIPORECE.empty() ? p.CDTIPORECE : p.NMTIPORECE, Moeda(p.valor));
  }
  const double troco = Pago(v) - v.vNF;
  if (troco >= 0.005) m.Par("Troco R$", Moeda(troco));
}

void Endereco(Montador& m, const Destinatario& d) {
  m.Linha(Junta(
      {Junta({d.xLgr, d.nro, d.xCpl}, ", "), d.xBairro, d.xMun, Junta({d.UF, d.CEP}, " ")}, " - "));
  if (!d.xRef.empty()) m.Linha(d.xRef);
}

// Without a table the taxes are unknown: the receipt says so instead of printing zeros.
std::string LinhaTributos(const Recibo& r) {
  if (r.vendaConhecida && !r.venda.tabelaIbpt && r.tribFederal + r.tribEstadual < 0.005) {
    return "Tributos aproximados: tabela IBPT não carregada";
  }
  return "Valores aproximados dos tributos: Fed R$ " + Moeda(r.tribFederal) + " / Est R$ " +
         Moeda(r.tribEstadual) + " Fonte: IBPT";
}

void Senha(Montador& m, const std::string& senha) {
  if (senha.empty()) return;
  m.Separador();
  m.Grande("SENHA " + senha);
}

void ItensNfce(Montador& m, const VendaGravada& v) {
  m.Linha("Código Descrição");
  m.Par("Qtde UN x Vl Unit", "Vl Total");
  m.Separador();
  for (const ItemVendido& i : v.itens) {
    m.Linha(i.cProd + " " + i.xProd);
    m.Par("  " + Quantidade(i.qCom) + " " + i.uCom + " x " + Moeda(i.vUnCom), Moeda(i.vProd));
    if (i.vDesc > 0) m.Par("  Desconto", "-" + Moeda(i.vDesc));
    if (i.vOutro > 0) m.Par("  Acréscimo", Moeda(i.vOutro));
  }
  m.Separador();
  m.Par("Qtde total de itens", std::to_string(v.itens.size()));
  m.Par("Valor total R$", Moeda(v.vProd));
  if (v.vDesc > 0) m.Par("Desconto R$", Moeda(v.vDesc));
  if (v.vOutro > 0) m.Par("Acréscimo R$", Moeda(v.vOutro));
  m.Par("Valor a Pagar R$", Moeda(v.vNF), true);
  m.Par("FORMA PAGAMENTO", "VALOR PAGO R$");
  Pagamentos(m, v);
  m.Separador();
}

// A delivery prints where it goes, whether or not the consumer gave a number.
void ConsumidorNfce(Montador& m, const Destinatario& d) {
  if (d.CPFCNPJ.empty()) {
    m.Centro("CONSUMIDOR NÃO IDENTIFICADO", true);
  } else {
    m.Centro(std::string("CONSUMIDOR - ") + (d.CPFCNPJ.size() == 14 ? "CNPJ " : "CPF ") +
                 CpfCnpj(d.CPFCNPJ),
             true);
  }
  if (!d.xNome.empty()) m.Centro(d.xNome);
  if (!d.xLgr.empty()) Endereco(m, d);
}

// `via` names the copy when a contingency note prints two; empty otherwise.
Documento VendaNfce(const Recibo& r, const std::string& via) {
  Montador m;
  Cabecalho(m, r.venda.emitente, false);
  m.Centro("Documento Auxiliar da Nota Fiscal de Consumidor Eletrônica");
  if (r.segundaVia) m.Centro(kSegundaVia, true);
  if (r.tpAmb == "2") m.Centro("EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL", true);
  if (r.contingencia) m.Centro("EMITIDA EM CONTINGÊNCIA", true);
  m.Separador();
  if (r.vendaConhecida) ItensNfce(m, r.venda);
  m.Centro("Consulte pela Chave de Acesso em");
  if (!r.urlConsulta.empty()) m.Centro(r.urlConsulta);
  ChaveCentrada(m, r.chave);
  m.Separador();
  if (r.vendaConhecida) ConsumidorNfce(m, r.venda.destinatario);
  m.Centro("NFC-e nº " + Zeros(r.nNF, 9) + " Série " + Zeros(r.serie, 3), true);
  if (!r.dhEmi.empty()) m.Centro("Emissão: " + DataHoraIso(r.dhEmi));
  if (r.contingencia) {
    m.Centro("EMITIDA EM CONTINGÊNCIA", true);
    m.Centro("Pendente de autorização");
    m.Centro(via, true);
  } else if (!r.protocolo.empty()) {
    m.Centro("Protocolo de Autorização: " + r.protocolo);
    m.Centro("Data de Autorização: " + DataHoraIso(r.dhRecbto));
  }
  if (!r.qrCode.empty()) {
    m.Centro("Consulta via leitor de QR Code");
    m.Codigo(Bloco::Tipo::QrCode, r.qrCode);
  }
  m.Separador();
  m.Linha(LinhaTributos(r));
  Senha(m, r.senha);
  return m.Pronto();
}

void ItensSat(Montador& m, const VendaGravada& v) {
  m.Linha("# | COD | DESC | QTD | UN | VL UN R$ | (VL TR R$)* | VL ITEM R$");
  m.Separador();
  for (const ItemVendido& i : v.itens) {
    char numero[8];
    std::snprintf(numero, sizeof numero, "%03d", i.nItem);
    m.Linha(std::string(numero) + " " + i.cProd + " " + i.xProd);
    m.Par("    " + Quantidade(i.qCom) + " " + i.uCom + " X " + Moeda(i.vUnCom) +
              (i.vTotTrib > 0 ? " (" + Moeda(i.vTotTrib) + ")" : ""),
          Moeda(i.vProd));
    if (i.vDesc > 0) m.Par("    desconto sobre item", "-" + Moeda(i.vDesc));
    if (i.vOutro > 0) m.Par("    acréscimo sobre item", "+" + Moeda(i.vOutro));
  }
  m.Separador();
  m.Linha("* Valor aproximado dos tributos do item");
  m.Par("Total bruto de itens", Moeda(v.vProd));
  if (v.vDesc > 0) m.Par("Total de descontos", "-" + Moeda(v.vDesc));
  if (v.vOutro > 0) m.Par("Total de acréscimos", "+" + Moeda(v.vOutro));
  m.Par("TOTAL R$", Moeda(v.vNF), true);
  Pagamentos(m, v);
  m.Separador();
  if (!v.destinatario.xLgr.empty()) {
    m.Linha("DADOS PARA ENTREGA", false, true);
    if (!v.destinatario.xNome.empty()) m.Linha(v.destinatario.xNome);
    Endereco(m, v.destinatario);
    m.Separador();
  }
}

Documento ExtratoSat(const Recibo& r) {
  Montador m;
  Cabecalho(m, r.venda.emitente, true);
  m.Separador();
  // The number is the CF-e's own (nCFe), in the test environment too, where the banner says the
  // extract is no document.
  const bool teste = r.tpAmb == "2";
  m.Centro("Extrato No. " + r.nCFe, true);
  m.Centro("CUPOM FISCAL ELETRÔNICO - SAT", true);
  if (r.segundaVia) m.Centro(kSegundaVia, true);
  if (teste) m.Centro("= T E S T E =", true);
  m.Separador();
  if (!r.consumidorSat.empty()) {
    m.Linha("CPF/CNPJ do Consumidor: " + CpfCnpj(r.consumidorSat));
    m.Separador();
  }
  if (r.vendaConhecida) ItensSat(m, r.venda);
  m.Linha("OBSERVAÇÕES DO CONTRIBUINTE", false, true);
  m.Linha(LinhaTributos(r) + " (Lei Fed. 12.741/2012)");
  m.Separador();
  m.Centro("SAT No. " + r.nserieSAT, true);
  m.Centro(DataHoraSat(r.timeStamp));
  ChaveCentrada(m, r.chave);
  // Two bar codes fit 80 mm paper with room for the quiet zones; they part where the printed
  // groups of four do, after the sixth.
  if (r.chave.size() == 44) {
    m.Codigo(Bloco::Tipo::Barras, r.chave.substr(0, 24));
    m.Codigo(Bloco::Tipo::Barras, r.chave.substr(24));
  }
  if (!r.qrCode.empty()) m.Codigo(Bloco::Tipo::QrCode, r.qrCode);
  m.Centro("Consulte o QR Code pelo aplicativo \"De olho na nota\"");
  Senha(m, r.senha);
  return m.Pronto();
}

}  // namespace

Documento MontaRecibo(const Recibo& recibo) {
  if (recibo.tipo == TipoRecibo::ExtratoSat) return ExtratoSat(recibo);
  if (!recibo.contingencia) return VendaNfce(recibo, "");
  // The establishment keeps its own copy of a note that still has to be authorised.
  Documento documento = VendaNfce(recibo, "Via Consumidor");
  const Documento estabelecimento = VendaNfce(recibo, "Via Estabelecimento");
  documento.insert(documento.end(), estabelecimento.begin(), estabelecimento.end());
  return documento;
}

}  // namespace VyrFiscal::Cupom
