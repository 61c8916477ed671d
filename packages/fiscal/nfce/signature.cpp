#include "fiscal/nfce/signature.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <openssl/bio.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <xmlsec/base64.h>
#include <xmlsec/crypto.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/openssl/x509.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>

#include "fiscal/register_fault.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

// The library stays set up until the process ends: a package cannot know when the last
// signature of some other thread is done.
void IniciaBibliotecas() {
  static std::once_flag uma_vez;
  std::call_once(uma_vez, [] {
    xmlInitParser();
    if (xmlSecInit() < 0 || xmlSecCheckVersion() != 1 || xmlSecCryptoAppInit(nullptr) < 0 ||
        xmlSecCryptoInit() < 0) {
      throw rtl::Exception(
          "NFC-e signature: the XML security library (xmlsec1-openssl) could "
          "not be started");
    }
    // The authorities read base64 values either way; one line keeps the note compact.
    xmlSecBase64SetDefaultLineSize(1 << 20);
  });
}

struct LiberaDoc {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct LiberaP12 {
  void operator()(PKCS12* p12) const { PKCS12_free(p12); }
};
struct LiberaX509 {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct LiberaChave {
  void operator()(xmlSecKey* key) const { xmlSecKeyDestroy(key); }
};
struct LiberaCtx {
  void operator()(xmlSecDSigCtx* ctx) const { xmlSecDSigCtxDestroy(ctx); }
};

// The private key and the signer's own certificate of a PKCS#12 file; the file's other
// certificates (the chain) are left out, as the layout wants one certificate only.
struct Certificado {
  std::string arquivo;
  std::string senha;
  std::filesystem::file_time_type alterado;
  uintmax_t tamanho = 0;
  EVP_PKEY* privada = nullptr;
  X509* certificado = nullptr;
};

Certificado LeCertificado(const std::string& arquivoPfx, const std::string& senha) {
  BIO* bio = BIO_new_file(arquivoPfx.c_str(), "rb");
  if (bio == nullptr) {
    throw FalhaDoCaixa("Certificate file '" + arquivoPfx +
                       "' (CAIXAFISCAL.DSARQCERTIF) cannot be read");
  }
  std::unique_ptr<PKCS12, LiberaP12> p12(d2i_PKCS12_bio(bio, nullptr));
  BIO_free(bio);
  Certificado lido;
  STACK_OF(X509)* cadeia = nullptr;
  if (!p12 ||
      PKCS12_parse(p12.get(), senha.c_str(), &lido.privada, &lido.certificado, &cadeia) != 1 ||
      lido.privada == nullptr || lido.certificado == nullptr) {
    EVP_PKEY_free(lido.privada);
    X509_free(lido.certificado);
    throw FalhaDoCaixa("Certificate file '" + arquivoPfx +
                       "' is not a PKCS#12 certificate that the register's password "
                       "(CAIXAFISCAL.DSSENHACERTIF, ****) opens");
  }
  sk_X509_pop_free(cadeia, X509_free);
  return lido;
}

// Opening a PKCS#12 file derives its keys from the password, which costs more than the
// signature itself; the last certificate read is kept while its file, size and modification
// time and the password stay the same, so a replaced certificate is read again.
std::mutex& GuardaCertificado() {
  static std::mutex guarda;
  return guarda;
}

// The key and certificate for one signature, each with its own reference.
std::pair<EVP_PKEY*, X509*> ParaAssinar(const std::string& arquivoPfx, const std::string& senha) {
  static Certificado guardado;
  std::error_code erro;
  const auto alterado = std::filesystem::last_write_time(arquivoPfx, erro);
  const uintmax_t tamanho = erro ? 0 : std::filesystem::file_size(arquivoPfx, erro);
  std::lock_guard<std::mutex> trava(GuardaCertificado());
  if (erro || guardado.privada == nullptr || guardado.arquivo != arquivoPfx ||
      guardado.senha != senha || guardado.alterado != alterado || guardado.tamanho != tamanho) {
    Certificado lido = LeCertificado(arquivoPfx, senha);
    EVP_PKEY_free(guardado.privada);
    X509_free(guardado.certificado);
    guardado = std::move(lido);
    guardado.arquivo = arquivoPfx;
    guardado.senha = senha;
    guardado.alterado = alterado;
    guardado.tamanho = erro ? 0 : tamanho;
    if (erro) {  // a file without a known time is not kept
      std::pair<EVP_PKEY*, X509*> unico(guardado.privada, guardado.certificado);
      guardado = Certificado{};
      return unico;
    }
  }
  // A kept certificate may have run out, or a new one not begun yet: the authority refuses a
  // note signed outside the certificate's validity, so the register must not sign it.
  if (X509_cmp_current_time(X509_get0_notBefore(guardado.certificado)) > 0 ||
      X509_cmp_current_time(X509_get0_notAfter(guardado.certificado)) < 0) {
    throw FalhaDoCaixa("NFC-e: the certificate '" + arquivoPfx +
                       "' (CAIXAFISCAL.DSARQCERTIF) is not valid now: the register cannot sign "
                       "its notes");
  }
  // References, not copies: copying a certificate re-encodes it, which cost as much as the
  // signature's own digest.
  EVP_PKEY_up_ref(guardado.privada);
  X509_up_ref(guardado.certificado);
  return {guardado.privada, guardado.certificado};
}

std::unique_ptr<xmlSecKey, LiberaChave> CarregaChave(const std::string& arquivoPfx,
                                                     const std::string& senha) {
  const auto [privada, certificado] = ParaAssinar(arquivoPfx, senha);
  std::unique_ptr<X509, LiberaX509> dono(certificado);
  std::unique_ptr<xmlSecKey, LiberaChave> chave(xmlSecKeyCreate());
  xmlSecKeyDataPtr valor = xmlSecOpenSSLEvpKeyAdopt(privada);
  if (valor == nullptr) EVP_PKEY_free(privada);
  xmlSecKeyDataPtr x509 = xmlSecKeyDataCreate(xmlSecOpenSSLKeyDataX509Id);
  bool ok = chave && valor && xmlSecKeySetValue(chave.get(), valor) == 0 && x509 != nullptr;
  if (!ok && valor != nullptr) xmlSecKeyDataDestroy(valor);
  // Each adoption takes one reference of its own.
  ok = ok && X509_up_ref(certificado) == 1 &&
       xmlSecOpenSSLKeyDataX509AdoptKeyCert(x509, certificado) == 0 &&
       X509_up_ref(certificado) == 1 && xmlSecOpenSSLKeyDataX509AdoptCert(x509, certificado) == 0 &&
       xmlSecKeyAdoptData(chave.get(), x509) == 0;
  if (!ok) {
    if (x509 != nullptr) xmlSecKeyDataDestroy(x509);
    throw rtl::Exception("NFC-e signature: the key of certificate file '" + arquivoPfx +
                         "' cannot be used to sign");
  }
  return chave;
}

xmlNode* Modelo(xmlDoc* doc, xmlNode* raiz, const std::string& uri) {
  xmlNode* assinatura =
      xmlSecTmplSignatureCreate(doc, xmlSecTransformInclC14NId, xmlSecTransformRsaSha1Id, nullptr);
  if (assinatura == nullptr || xmlAddChild(raiz, assinatura) == nullptr) return nullptr;
  xmlNode* referencia =
      xmlSecTmplSignatureAddReference(assinatura, xmlSecTransformSha1Id, nullptr,
                                      reinterpret_cast<const xmlChar*>(uri.c_str()), nullptr);
  if (referencia == nullptr ||
      xmlSecTmplReferenceAddTransform(referencia, xmlSecTransformEnvelopedId) == nullptr ||
      xmlSecTmplReferenceAddTransform(referencia, xmlSecTransformInclC14NId) == nullptr) {
    return nullptr;
  }
  xmlNode* info = xmlSecTmplSignatureEnsureKeyInfo(assinatura, nullptr);
  xmlNode* dados = info == nullptr ? nullptr : xmlSecTmplKeyInfoAddX509Data(info);
  if (dados == nullptr || xmlSecTmplX509DataAddCertificate(dados) == nullptr) return nullptr;
  return assinatura;
}

bool SoBrancos(const xmlChar* texto) {
  for (; texto != nullptr && *texto != 0; ++texto) {
    if (*texto != ' ' && *texto != '\n' && *texto != '\r' && *texto != '\t') return false;
  }
  return true;
}

// The library lays its template out on lines; the layout wants no blanks between elements,
// and the signed part must be compact before it is signed.
void RemoveBrancos(xmlNode* no) {
  for (xmlNode* filho = no->children; filho != nullptr;) {
    xmlNode* seguinte = filho->next;
    if (filho->type == XML_TEXT_NODE && SoBrancos(filho->content)) {
      xmlUnlinkNode(filho);
      xmlFreeNode(filho);
    } else if (filho->type == XML_ELEMENT_NODE) {
      RemoveBrancos(filho);
    }
    filho = seguinte;
  }
}

// Base64 values come out framed by line breaks. Outside SignedInfo they are not signed, and
// the breaks go.
void AparaBase64(xmlNode* no) {
  for (xmlNode* filho = no->children; filho != nullptr; filho = filho->next) {
    if (filho->type != XML_ELEMENT_NODE) continue;
    const std::string nome = reinterpret_cast<const char*>(filho->name);
    if (nome == "SignedInfo") continue;
    if (nome == "SignatureValue" || nome == "X509Certificate") {
      xmlChar* conteudo = xmlNodeGetContent(filho);
      std::string texto = conteudo ? reinterpret_cast<const char*>(conteudo) : "";
      xmlFree(conteudo);
      std::string limpo;
      for (char c : texto) {
        if (c != '\n' && c != '\r' && c != ' ' && c != '\t') limpo += c;
      }
      xmlNodeSetContent(filho, reinterpret_cast<const xmlChar*>(limpo.c_str()));
    } else {
      AparaBase64(filho);
    }
  }
}

std::string Entre(const std::string& texto, const std::string& inicio, const std::string& fim) {
  const size_t a = texto.find(inicio);
  const size_t b = a == std::string::npos ? a : texto.find(fim, a + inicio.size());
  return b == std::string::npos ? "" : texto.substr(a + inicio.size(), b - a - inicio.size());
}

std::string EscapaXml(const std::string& texto) {
  std::string escapado;
  for (char c : texto) {
    if (c == '&')
      escapado += "&amp;";
    else if (c == '<')
      escapado += "&lt;";
    else if (c == '>')
      escapado += "&gt;";
    else
      escapado += c;
  }
  return escapado;
}

std::string Serializa(xmlDoc* doc) {
  xmlBuffer* buffer = xmlBufferCreate();
  xmlNodeDump(buffer, doc, xmlDocGetRootElement(doc), 0, 0);
  std::string texto(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                    static_cast<size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  return texto;
}

}  // namespace

namespace {

// Signs the child `elemento` (with its Id) of the document's root, the signature placed last.
NotaAssinada Assina(const std::string& xmlNfe, const char* elemento, const std::string& arquivoPfx,
                    const std::string& senha) {
  IniciaBibliotecas();
  auto chave = CarregaChave(arquivoPfx, senha);
  std::unique_ptr<xmlDoc, LiberaDoc> doc(xmlReadMemory(
      xmlNfe.data(), static_cast<int>(xmlNfe.size()), nullptr, "UTF-8", XML_PARSE_NONET));
  xmlNode* raiz = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  xmlNode* inf =
      raiz ? xmlSecFindChild(raiz, reinterpret_cast<const xmlChar*>(elemento),
                             reinterpret_cast<const xmlChar*>("http://www.portalfiscal.inf.br/nfe"))
           : nullptr;
  xmlChar* id = inf ? xmlGetProp(inf, reinterpret_cast<const xmlChar*>("Id")) : nullptr;
  if (id == nullptr) {
    throw rtl::Exception(std::string("NFC-e signature: the document has no ") + elemento +
                         " with an Id");
  }
  const std::string uri = "#" + std::string(reinterpret_cast<const char*>(id));
  xmlFree(id);
  const xmlChar* ids[] = {reinterpret_cast<const xmlChar*>("Id"), nullptr};
  xmlSecAddIDs(doc.get(), inf, ids);
  xmlNode* assinatura = Modelo(doc.get(), raiz, uri);
  std::unique_ptr<xmlSecDSigCtx, LiberaCtx> ctx(xmlSecDSigCtxCreate(nullptr));
  if (assinatura == nullptr || !ctx) {
    throw rtl::Exception("NFC-e signature: the signature template could not be made");
  }
  RemoveBrancos(assinatura);
  ctx->signKey = chave.release();
  if (xmlSecDSigCtxSign(ctx.get(), assinatura) < 0) {
    throw rtl::Exception("NFC-e signature: signing with certificate file '" + arquivoPfx +
                         "' failed");
  }
  // SignedInfo is signed as it stands now; the rest of the signature may still be compacted.
  for (xmlNode* filho = assinatura->children; filho != nullptr;) {
    xmlNode* seguinte = filho->next;
    if (filho->type == XML_TEXT_NODE && SoBrancos(filho->content)) {
      xmlUnlinkNode(filho);
      xmlFreeNode(filho);
    } else if (filho->type == XML_ELEMENT_NODE &&
               xmlStrcmp(filho->name, reinterpret_cast<const xmlChar*>("SignedInfo")) != 0) {
      RemoveBrancos(filho);
    }
    filho = seguinte;
  }
  AparaBase64(assinatura);
  NotaAssinada nota;
  nota.xml = Serializa(doc.get());
  nota.digestValue = Entre(nota.xml, "<DigestValue>", "</DigestValue>");
  return nota;
}

}  // namespace

NotaAssinada AssinaNfe(const std::string& xmlNfe, const std::string& arquivoPfx,
                       const std::string& senha) {
  return Assina(xmlNfe, "infNFe", arquivoPfx, senha);
}

std::string AssinaInutilizacao(const std::string& xmlInutNfe, const std::string& arquivoPfx,
                               const std::string& senha) {
  return Assina(xmlInutNfe, "infInut", arquivoPfx, senha).xml;
}

std::string AssinaEvento(const std::string& xmlEvento, const std::string& arquivoPfx,
                         const std::string& senha) {
  return Assina(xmlEvento, "infEvento", arquivoPfx, senha).xml;
}

std::string ComInfNfeSupl(const std::string& xmlAssinado, const std::string& qrCode,
                          const std::string& urlChave) {
  const size_t posicao = xmlAssinado.find("<Signature");
  if (posicao == std::string::npos) {
    throw rtl::Exception("NFC-e: the note is not signed, infNFeSupl has no place");
  }
  const std::string supl = "<infNFeSupl><qrCode><![CDATA[" + qrCode + "]]></qrCode><urlChave>" +
                           EscapaXml(urlChave) + "</urlChave></infNFeSupl>";
  return xmlAssinado.substr(0, posicao) + supl + xmlAssinado.substr(posicao);
}

}  // namespace VyrFiscal::Nfce
