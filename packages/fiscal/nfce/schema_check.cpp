#include "fiscal/nfce/schema_check.h"

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <map>
#include <memory>
#include <mutex>

#include "fiscal/register_fault.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace VyrFiscal::Nfce {
namespace {

struct LiberaEsquema {
  void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
};
struct LiberaDoc {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

void Acumula(void* destino, const xmlError* erro) {
  auto* texto = static_cast<std::string*>(destino);
  std::string mensagem = erro->message ? erro->message : "";
  while (!mensagem.empty() && mensagem.back() == '\n') mensagem.pop_back();
  *texto += "line " + std::to_string(erro->line) + ": " + mensagem + "\n";
}

void AcumulaEstruturado(void* destino, xmlErrorPtr erro) {
  Acumula(destino, erro);
}

std::mutex mutex_esquemas;
std::map<std::string, std::unique_ptr<xmlSchema, LiberaEsquema>> esquemas;

xmlSchema* Esquema(const std::string& arquivoXsd) {
  auto& esquema = esquemas[arquivoXsd];
  if (esquema) return esquema.get();
  std::string erros;
  xmlSchemaParserCtxt* ctx = xmlSchemaNewParserCtxt(arquivoXsd.c_str());
  if (ctx != nullptr) {
    xmlSchemaSetParserStructuredErrors(ctx, AcumulaEstruturado, &erros);
    esquema.reset(xmlSchemaParse(ctx));
    xmlSchemaFreeParserCtxt(ctx);
  }
  if (!esquema) {
    esquemas.erase(arquivoXsd);
    // Without the schema no note can be checked: the installation, not the note, is at fault.
    // One line for the log: the parser's messages joined.
    while (!erros.empty() && erros.back() == '\n') erros.pop_back();
    for (char& c : erros) c = c == '\n' ? ';' : c;
    throw FalhaDoCaixa("XML schema '" + arquivoXsd + "' cannot be read: " + erros);
  }
  return esquema.get();
}

}  // namespace

std::string ErrosDeEsquema(const std::string& xml, const std::string& arquivoXsd) {
  std::lock_guard<std::mutex> trava(mutex_esquemas);
  xmlSchema* esquema = Esquema(arquivoXsd);
  std::string erros;
  std::unique_ptr<xmlDoc, LiberaDoc> doc(
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8", XML_PARSE_NONET));
  if (!doc) return "the text is not well-formed XML\n";
  xmlSchemaValidCtxt* ctx = xmlSchemaNewValidCtxt(esquema);
  xmlSchemaSetValidStructuredErrors(ctx, AcumulaEstruturado, &erros);
  const int resultado = xmlSchemaValidateDoc(ctx, doc.get());
  xmlSchemaFreeValidCtxt(ctx);
  if (resultado != 0 && erros.empty()) erros = "invalid (code " + std::to_string(resultado) + ")\n";
  return erros;
}

void CarregaEsquema(const std::string& arquivoXsd) {
  std::lock_guard<std::mutex> trava(mutex_esquemas);
  Esquema(arquivoXsd);
}

std::string PastaEsquemasInstalados() {
  return rtl::ProgramDirectory() + "/Dados/Schemas/nfe-4.00/";
}

}  // namespace VyrFiscal::Nfce
