#include "cfe_emulado.h"

#include <openssl/evp.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "vyrutil/access_key.h"
#include "vyrutil/local_time.h"
#include "vyrutil/strings.h"

namespace VyrSatEmulador {
namespace {

const std::set<std::string> kVersoes = {"0.06", "0.07", "0.08"};
const std::set<std::string> kMeiosPagamento = {"01", "02", "03", "04", "05", "10", "11", "12",
                                               "13", "15", "16", "17", "18", "19", "90", "99"};

bool Digitos(const std::string& texto, size_t tamanho) {
  return texto.size() == tamanho && VyrUtil::SoDigitos(texto) == texto;
}

std::string Texto(const pugi::xml_node& no, const char* filho) {
  return no.child(filho).text().get();
}

// A required text; its absence is the reason of the refusal.
std::string Exige(const pugi::xml_node& no, const char* filho, const std::string& onde) {
  const std::string valor = Texto(no, filho);
  if (valor.empty()) throw ErroValidacao("Elemento " + onde + "/" + filho + " ausente ou vazio");
  return valor;
}

// A decimal of the sale XML: '.' as separator, digits only.
double Numero(const pugi::xml_node& no, const char* filho, const std::string& onde) {
  const std::string valor = Exige(no, filho, onde);
  char* fim = nullptr;
  const double numero = std::strtod(valor.c_str(), &fim);
  if (*fim != '\0' || valor.find_first_not_of("0123456789.") != std::string::npos) {
    throw ErroValidacao("Elemento " + onde + "/" + filho + " com valor invalido: " + valor);
  }
  return numero;
}

double Arredonda(double valor) {
  return std::round(valor * 100.0 + 1e-9) / 100.0;
}

std::string Dinheiro(double valor) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%.2f", valor);
  return texto;
}

std::string Zeros(long numero, int largura) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%0*ld", largura, numero);
  return texto;
}

// "AAAAMMDDhhmmss" of the host's local time `agora` on the device's clock (its zone); the parts
// of the CF-e are cut from it.
std::string Hora(rtl::TDateTime agora, const std::string& fuso) {
  return VyrUtil::SoDigitos(VyrUtil::DataHoraComFuso(agora, fuso).substr(0, 19));
}

void ConfereCabecalho(const pugi::xml_node& infCFe) {
  if (kVersoes.count(infCFe.attribute("versaoDadosEnt").value()) == 0) {
    throw ErroValidacao(std::string("Versao dos dados de entrada nao aceita: '") +
                        infCFe.attribute("versaoDadosEnt").value() + "'");
  }
  const pugi::xml_node ide = infCFe.child("ide");
  if (!Digitos(Texto(ide, "CNPJ"), 14)) throw ErroValidacao("CNPJ da software house invalido");
  Exige(ide, "signAC", "ide");
  if (!Digitos(Texto(ide, "numeroCaixa"), 3)) throw ErroValidacao("numeroCaixa invalido");
  const pugi::xml_node emit = infCFe.child("emit");
  if (!Digitos(Texto(emit, "CNPJ"), 14)) throw ErroValidacao("CNPJ do emitente invalido");
  Exige(emit, "IE", "emit");
  const pugi::xml_node dest = infCFe.child("dest");
  if (!dest) throw ErroValidacao("Grupo dest ausente");
  if (dest.child("CPF") && !Digitos(Texto(dest, "CPF"), 11)) {
    throw ErroValidacao("CPF do consumidor invalido");
  }
  if (dest.child("CNPJ") && !Digitos(Texto(dest, "CNPJ"), 14)) {
    throw ErroValidacao("CNPJ do consumidor invalido");
  }
}

// Checks the items, adds what the device computes of each, and answers the sale's total.
double CompletaItens(const pugi::xml_node& infCFe, bool emitir) {
  double total = 0;
  int esperado = 1;
  for (pugi::xml_node det : infCFe.children("det")) {
    const std::string onde = "det[" + std::to_string(esperado) + "]";
    if (det.attribute("nItem").as_int() != esperado) {
      throw ErroValidacao("Numeracao dos itens fora de sequencia em " + onde);
    }
    pugi::xml_node prod = det.child("prod");
    Exige(prod, "cProd", onde + "/prod");
    Exige(prod, "xProd", onde + "/prod");
    if (!Digitos(Texto(prod, "CFOP"), 4)) throw ErroValidacao("CFOP invalido em " + onde);
    Exige(prod, "uCom", onde + "/prod");
    const double qCom = Numero(prod, "qCom", onde + "/prod");
    const double vUnCom = Numero(prod, "vUnCom", onde + "/prod");
    const std::string regra = Exige(prod, "indRegra", onde + "/prod");
    if (qCom <= 0) throw ErroValidacao("Quantidade nao positiva em " + onde);
    if (regra != "A" && regra != "T") throw ErroValidacao("indRegra invalido em " + onde);
    const pugi::xml_node imposto = det.child("imposto");
    if (!imposto.child("PIS") || !imposto.child("COFINS")) {
      throw ErroValidacao("Grupos PIS e COFINS obrigatorios em " + onde);
    }
    const double bruto =
        regra == "A" ? Arredonda(qCom * vUnCom) : std::floor(qCom * vUnCom * 100.0 + 1e-9) / 100.0;
    const double desconto = prod.child("vDesc") ? Numero(prod, "vDesc", onde + "/prod") : 0;
    const double acrescimo = prod.child("vOutro") ? Numero(prod, "vOutro", onde + "/prod") : 0;
    const double item = Arredonda(bruto - desconto + acrescimo);
    if (item < 0) throw ErroValidacao("Desconto maior que o valor do item em " + onde);
    if (emitir) {
      prod.insert_child_before("vProd", prod.child("indRegra")).text().set(Dinheiro(bruto).c_str());
      prod.append_child("vItem").text().set(Dinheiro(item).c_str());
    }
    total += item;
    ++esperado;
  }
  if (esperado == 1) throw ErroValidacao("Nenhum item (det) na venda");
  return Arredonda(total);
}

double CompletaPagamentos(const pugi::xml_node& infCFe, double total, bool emitir) {
  pugi::xml_node pgto = infCFe.child("pgto");
  double pago = 0;
  for (pugi::xml_node mp : pgto.children("MP")) {
    const std::string cMP = Texto(mp, "cMP");
    if (kMeiosPagamento.count(cMP) == 0) throw ErroValidacao("Meio de pagamento invalido: " + cMP);
    pago += Numero(mp, "vMP", "pgto/MP");
  }
  if (pago <= 0) throw ErroValidacao("Nenhum pagamento (pgto/MP) na venda");
  pago = Arredonda(pago);
  if (pago + 0.001 < total) {
    throw ErroValidacao("Pagamentos (" + Dinheiro(pago) + ") menores que o total (" +
                        Dinheiro(total) + ")");
  }
  if (emitir) pgto.append_child("vTroco").text().set(Dinheiro(pago - total).c_str());
  return pago;
}

// What the device adds of the item's taxes: the ICMS of ICMS00, the PIS and COFINS of their
// rate groups. Answers them for the totals.
struct Tributos {
  double vICMS = 0, vPIS = 0, vCOFINS = 0;
};

double Taxa(pugi::xml_node grupo, const char* aliquota) {
  return grupo.child(aliquota).text().as_double();
}

Tributos CompletaTributos(pugi::xml_node det) {
  Tributos t;
  pugi::xml_node imposto = det.child("imposto");
  const double vItem = det.child("prod").child("vItem").text().as_double();
  pugi::xml_node icms00 = imposto.child("ICMS").child("ICMS00");
  if (icms00) {
    t.vICMS = Arredonda(vItem * Taxa(icms00, "pICMS") / 100.0);
    icms00.append_child("vICMS").text().set(Dinheiro(t.vICMS).c_str());
  }
  for (const char* tributo : {"PIS", "COFINS"}) {
    const std::string nome = tributo;
    for (const char* sufixo : {"Aliq", "Outr"}) {
      pugi::xml_node grupo = imposto.child(tributo).child((nome + sufixo).c_str());
      if (!grupo) continue;
      const double valor = Arredonda(Taxa(grupo, "vBC") * Taxa(grupo, ("p" + nome).c_str()));
      grupo.append_child(("v" + nome).c_str()).text().set(Dinheiro(valor).c_str());
      (nome == "PIS" ? t.vPIS : t.vCOFINS) += valor;
    }
  }
  return t;
}

// The emitter as the device was activated for it, and its regime by the items' ICMS groups.
void CompletaEmitente(pugi::xml_node infCFe, const EstadoSat& estado) {
  pugi::xml_node emit = infCFe.child("emit");
  pugi::xml_node cnpj = emit.child("CNPJ");
  pugi::xml_node nome = emit.insert_child_after("xNome", cnpj);
  nome.text().set(estado.xNome.c_str());
  pugi::xml_node fantasia = emit.insert_child_after("xFant", nome);
  fantasia.text().set(estado.xFant.c_str());
  pugi::xml_node ender = emit.insert_child_after("enderEmit", fantasia);
  for (const auto& [campo, valor] : {std::pair<const char*, std::string>{"xLgr", estado.xLgr},
                                     {"nro", estado.nro},
                                     {"xBairro", estado.xBairro},
                                     {"xMun", estado.xMun},
                                     {"CEP", estado.CEP}}) {
    ender.append_child(campo).text().set(valor.c_str());
  }
  const bool simples = infCFe.child("det").child("imposto").child("ICMS").first_child().name() ==
                           std::string("ICMSSN102") ||
                       infCFe.child("det").child("imposto").child("ICMS").first_child().name() ==
                           std::string("ICMSSN900");
  emit.insert_child_after("cRegTrib", emit.child("IE")).text().set(simples ? "1" : "3");
}

std::string Sha256(const std::string& dados) {
  unsigned char resumo[EVP_MAX_MD_SIZE];
  unsigned int tamanho = 0;
  EVP_Digest(dados.data(), dados.size(), resumo, &tamanho, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<char*>(resumo), tamanho);
}

// A device signs the QR content with its own key; the emulator's 256 bytes come from hashes of
// that content, so the same sale always gets the same signature.
std::string AssinaturaQr(const std::string& conteudo) {
  std::string bytes;
  for (int i = 0; bytes.size() < 256; ++i) bytes += Sha256(conteudo + "#" + std::to_string(i));
  return Base64(bytes.substr(0, 256));
}

// The device's enveloped signature (RSA-SHA256, SHA-256 digest): the digest is the SHA-256 of
// infCFe as the emulator writes it; the signature value and the certificate are stand-ins made
// of hashes, as the emulator holds no key of its own.
void Assina(pugi::xml_node cfe, pugi::xml_node infCFe, const std::string& chave) {
  std::ostringstream texto;
  infCFe.print(texto, "", pugi::format_raw | pugi::format_no_declaration);
  pugi::xml_node assinatura = cfe.append_child("Signature");
  assinatura.append_attribute("xmlns").set_value("http://www.w3.org/2000/09/xmldsig#");
  pugi::xml_node info = assinatura.append_child("SignedInfo");
  const auto algoritmo = [](pugi::xml_node pai, const char* nome, const char* uri) {
    pugi::xml_node no = pai.append_child(nome);
    no.append_attribute("Algorithm").set_value(uri);
    return no;
  };
  algoritmo(info, "CanonicalizationMethod", "http://www.w3.org/TR/2001/REC-xml-c14n-20010315");
  algoritmo(info, "SignatureMethod", "http://www.w3.org/2001/04/xmldsig-more#rsa-sha256");
  pugi::xml_node referencia = info.append_child("Reference");
  referencia.append_attribute("URI").set_value(("#CFe" + chave).c_str());
  pugi::xml_node transforms = referencia.append_child("Transforms");
  algoritmo(transforms, "Transform", "http://www.w3.org/2000/09/xmldsig#enveloped-signature");
  algoritmo(transforms, "Transform", "http://www.w3.org/TR/2001/REC-xml-c14n-20010315");
  algoritmo(referencia, "DigestMethod", "http://www.w3.org/2001/04/xmlenc#sha256");
  referencia.append_child("DigestValue").text().set(Base64(Sha256(texto.str())).c_str());
  assinatura.append_child("SignatureValue").text().set(AssinaturaQr(texto.str()).c_str());
  assinatura.append_child("KeyInfo")
      .append_child("X509Data")
      .append_child("X509Certificate")
      .text()
      .set(Base64(Sha256("VyrSatEmulador " + chave.substr(6, 14))).c_str());
}

void ReescreveIde(pugi::xml_node ide, const std::string& chave, const EstadoSat& estado,
                  rtl::TDateTime agora, const std::string& assinatura) {
  const std::string cnpj = Texto(ide, "CNPJ");
  const std::string signAC = Texto(ide, "signAC");
  const std::string caixa = Texto(ide, "numeroCaixa");
  while (ide.first_child()) ide.remove_child(ide.first_child());
  const auto poe = [&ide](const char* nome, const std::string& valor) {
    ide.append_child(nome).text().set(valor.c_str());
  };
  poe("cUF", estado.cUF);
  poe("cNF", chave.substr(37, 6));
  poe("mod", "59");
  poe("nserieSAT", estado.numeroSerie);
  poe("nCFe", chave.substr(31, 6));
  poe("dEmi", Hora(agora, estado.fuso).substr(0, 8));
  poe("hEmi", Hora(agora, estado.fuso).substr(8, 6));
  poe("cDV", chave.substr(43, 1));
  poe("tpAmb", estado.tpAmb);
  poe("CNPJ", cnpj);
  poe("signAC", signAC);
  poe("assinaturaQRCODE", assinatura);
  poe("numeroCaixa", caixa);
}

}  // namespace

std::string Base64(const std::string& bytes) {
  std::string texto(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&texto[0]),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  texto.resize(n > 0 ? n : 0);
  return texto;
}

CFeEmitido EmiteCFe(const std::string& dadosVenda, EstadoSat& estado, rtl::TDateTime agora, int cNF,
                    bool emitir) {
  pugi::xml_document doc;
  const pugi::xml_parse_result lido = doc.load_string(dadosVenda.c_str());
  if (!lido) {
    throw ErroValidacao(std::string("XML mal formado: ") + lido.description() + " na posicao " +
                        std::to_string(lido.offset));
  }
  pugi::xml_node infCFe = doc.child("CFe").child("infCFe");
  if (!infCFe) throw ErroValidacao("Elemento CFe/infCFe ausente");
  ConfereCabecalho(infCFe);
  const double total = CompletaItens(infCFe, emitir);
  CompletaPagamentos(infCFe, total, emitir);

  CFeEmitido cfe;
  cfe.valorTotal = Dinheiro(total);
  const pugi::xml_node dest = infCFe.child("dest");
  cfe.cpfCnpj = dest.child("CPF") ? Texto(dest, "CPF") : Texto(dest, "CNPJ");
  cfe.timeStamp = Hora(agora, estado.fuso);
  if (!emitir) return cfe;

  const long nCFe = estado.ultimoCFe % 999999 + 1;
  const std::string semDv = estado.cUF + cfe.timeStamp.substr(2, 4) +
                            Texto(infCFe.child("emit"), "CNPJ") + "59" + estado.numeroSerie +
                            Zeros(nCFe, 6) + Zeros(cNF % 1000000, 6);
  if (!Digitos(semDv, 43)) {
    throw ErroValidacao("Estado do emulador invalido (cUF, numeroSerie): " + semDv);
  }
  cfe.chave = semDv + std::to_string(VyrUtil::DigitoVerificador(semDv));
  cfe.assinaturaQr =
      AssinaturaQr(cfe.chave + "|" + cfe.timeStamp + "|" + cfe.valorTotal + "|" + cfe.cpfCnpj);

  infCFe.append_attribute("Id").set_value(("CFe" + cfe.chave).c_str());
  // The CF-e is of the layout its sale data came in.
  const std::string versao = infCFe.attribute("versaoDadosEnt").value();
  infCFe.append_attribute("versao").set_value(versao.c_str());
  infCFe.append_attribute("versaoSB").set_value("010000");
  ReescreveIde(infCFe.child("ide"), cfe.chave, estado, agora, cfe.assinaturaQr);
  CompletaEmitente(infCFe, estado);
  Tributos tributos;
  double vProd = 0, vDesc = 0, vOutro = 0;
  for (pugi::xml_node det : infCFe.children("det")) {
    const Tributos item = CompletaTributos(det);
    tributos.vICMS += item.vICMS;
    tributos.vPIS += item.vPIS;
    tributos.vCOFINS += item.vCOFINS;
    vProd += det.child("prod").child("vProd").text().as_double();
    vDesc += det.child("prod").child("vDesc").text().as_double();
    vOutro += det.child("prod").child("vOutro").text().as_double();
  }
  pugi::xml_node totalNo = infCFe.child("total");
  if (!totalNo) totalNo = infCFe.insert_child_before("total", infCFe.child("pgto"));
  pugi::xml_node vCFe = totalNo.prepend_child("vCFe");
  vCFe.text().set(cfe.valorTotal.c_str());
  pugi::xml_node icmsTot = totalNo.insert_child_before("ICMSTot", vCFe);
  for (const auto& [campo, valor] : {std::pair<const char*, double>{"vICMS", tributos.vICMS},
                                     {"vProd", vProd},
                                     {"vDesc", vDesc},
                                     {"vPIS", tributos.vPIS},
                                     {"vCOFINS", tributos.vCOFINS},
                                     {"vPISST", 0.0},
                                     {"vCOFINSST", 0.0},
                                     {"vOutro", vOutro}}) {
    icmsTot.append_child(campo).text().set(Dinheiro(Arredonda(valor)).c_str());
  }
  Assina(doc.child("CFe"), infCFe, cfe.chave);

  std::ostringstream saida;
  doc.save(saida, "", pugi::format_raw | pugi::format_no_declaration);
  cfe.xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + saida.str();
  estado.ultimoCFe = nCFe;
  estado.ultimaChave = cfe.chave;
  return cfe;
}

}  // namespace VyrSatEmulador
