#include "fiscal/receipt/receipt_source.h"

#include <pugixml.hpp>

#include <cstdlib>

#include "db/statement_kit.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/nfce/note_in_hand.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/sale/sale_in_hand.h"
#include "fiscal/sat/cfe_in_hand.h"
#include "fiscal/sat/sat_answer.h"
#include "fiscal/sat/stored_cfe.h"
#include "rtl/client_dataset.h"
#include "rtl/errors.h"
#include "vyrutil/local_time.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Cupom {

namespace {

std::string Campo(rtl::TClientDataSet& cds, const std::string& nome) {
  rtl::TField* campo = cds.FindField(nome);
  return campo == nullptr || campo->IsNull() ? "" : campo->AsString();
}

std::string Apara(const std::string& texto) {
  const size_t inicio = texto.find_first_not_of(' ');
  if (inicio == std::string::npos) return "";
  return texto.substr(inicio, texto.find_last_not_of(' ') - inicio + 1);
}

using VyrUtil::SoDigitos;

// Field `n` (from 0) of a "|"-separated text; empty when there are fewer.
std::string Trecho(const std::string& texto, int n) {
  size_t inicio = 0;
  for (int i = 0; i < n; ++i) {
    inicio = texto.find('|', inicio);
    if (inicio == std::string::npos) return "";
    ++inicio;
  }
  return texto.substr(inicio, texto.find('|', inicio) - inicio);
}

// A money text of the closing ("1.23" or "1,23"); `senao` when empty.
double Valor(std::string texto, double senao) {
  texto = Apara(texto);
  if (texto.empty()) return senao;
  for (char& c : texto) {
    if (c == ',') c = '.';
  }
  return std::strtod(texto.c_str(), nullptr);
}

// A time of the note as the branch's clocks show it; a text that is no date-time stays as it is.
std::string NaHoraDaFilial(const Recibo& r, const std::string& dataHora) {
  if (!r.vendaConhecida || dataHora.empty()) return dataHora;
  try {
    return VyrUtil::DataHoraNoFuso(dataHora, r.venda.emitente.fuso);
  } catch (const rtl::EConvertError&) {
    return dataHora;
  }
}

void DadosNfce(const DadosNfceImpressao& nota, Recibo& r) {
  if (nota.encontrada) {
    r.nNF = nota.nNF;
    r.serie = nota.serie;
    r.dhEmi = NaHoraDaFilial(r, nota.dhEmi);
    r.tpAmb = nota.tpAmb;
    r.qrCode = nota.qrCode;
    r.urlConsulta = nota.urlConsulta;
    r.protocolo = nota.protocolo;
    r.dhRecbto = NaHoraDaFilial(r, nota.dhRecbto);
    r.contingencia = nota.contingencia;
  } else if (r.chave.size() == 44) {
    r.serie = r.chave.substr(22, 3);
    r.nNF = r.chave.substr(25, 9);
    r.contingencia = r.chave[34] == '9';
  }
  r.tribFederal = r.venda.vTribFederal;
  r.tribEstadual = r.venda.vTribEstadual;
}

void DadosSat(const ParametrosRecibo& p, Recibo& r) {
  if (r.chave.size() == 44) {
    r.nserieSAT = r.chave.substr(22, 9);
    r.nCFe = r.chave.substr(31, 6);
  }
  if (!Apara(p.nrSerieSat).empty()) r.nserieSAT = Apara(p.nrSerieSat);
  r.timeStamp = Trecho(p.qrCode, 1);
  if (r.timeStamp.empty()) r.timeStamp = SoDigitos(p.dataEmissao).substr(0, 14);
  r.consumidorSat = Trecho(p.qrCode, 3);
  if (r.consumidorSat.empty()) r.consumidorSat = r.venda.destinatario.CPFCNPJ;
  r.tribFederal = Valor(p.ibpt, r.venda.vTribFederal);
  r.tribEstadual = Valor(p.ibptEs, r.venda.vTribEstadual);
}

// What the device wrote into the stored CF-e: its environment (ide/tpAmb) and the emitter the
// device was activated for (emit), which heads the extract, as the CF-e itself says it. A CF-e
// stored without the device's XML leaves the store's emitter.
void DadosDoCFe(ado::TADOConnection& conexao, const VendaDoDocumento& venda, Recibo& r) {
  Sat::CFeGravado gravado;
  if (const auto emMaos = Sat::CFeEmMaosDaVenda(venda.CDFILIAL, venda.CDCAIXA, venda.NRSEQVENDA)) {
    gravado = emMaos->cfe;
  } else if (!Sat::LeCFeGravado(conexao, venda.CDFILIAL, venda.CDCAIXA, venda.NRSEQVENDA,
                                gravado)) {
    return;
  }
  pugi::xml_document doc;
  if (!doc.load_string(Sat::XmlDaResposta(gravado.DSRETORNOSAT).c_str())) return;
  const pugi::xml_node infCFe = doc.child("CFe").child("infCFe");
  r.tpAmb = infCFe.child("ide").child_value("tpAmb");
  const pugi::xml_node emit = infCFe.child("emit");
  if (!emit.child("CNPJ")) return;
  Emitente& e = r.venda.emitente;
  e.CNPJ = emit.child_value("CNPJ");
  e.xNome = emit.child_value("xNome");
  e.xFant = emit.child_value("xFant");
  e.IE = emit.child_value("IE");
  const pugi::xml_node ender = emit.child("enderEmit");
  e.xLgr = ender.child_value("xLgr");
  e.nro = ender.child_value("nro");
  e.xCpl = ender.child_value("xCpl");
  e.xBairro = ender.child_value("xBairro");
  e.xMun = ender.child_value("xMun");
  e.CEP = ender.child_value("CEP");
}

// The device's key is kept as the device answered it, "CFe" + the 44 digits; the digits alone
// are matched too.
const char* const kSelVendaCFe =
    R"mssql(SELECT CDFILIAL, CDCAIXA, NRSEQVENDA FROM VENDACFESAT WHERE NRCHAVECFE = :P_CHAVECFE OR NRCHAVECFE = :P_CHAVE)mssql";

std::optional<VendaDoDocumento> VendaDoCFe(ado::TADOConnection& conexao, const std::string& chave) {
  if (const auto emMaos = Sat::CFeEmMaosDaChave(chave)) {
    return VendaDoDocumento{emMaos->CDFILIAL, emMaos->CDCAIXA, emMaos->NRSEQVENDA};
  }
  std::optional<VendaDoDocumento> venda;
  ado::ReadFirstRow(conexao, "adqVendaDoCFe", kSelVendaCFe,
                    {ado::TextParam("P_CHAVECFE", 47), ado::TextParam("P_CHAVE", 47)},
                    {{"P_CHAVECFE", "CFe" + chave}, {"P_CHAVE", chave}},
                    [&venda](ado::TADOQuery& query) {
                      venda = VendaDoDocumento{query.FieldByName("CDFILIAL").AsString(),
                                               query.FieldByName("CDCAIXA").AsString(),
                                               query.FieldByName("NRSEQVENDA").AsString()};
                    });
  return venda;
}

std::optional<VendaDoDocumento> VendaDaNota(const Nfce::NotaGravada& nota) {
  if (nota.chave.empty()) return std::nullopt;
  return VendaDoDocumento{nota.CDFILIAL, nota.CDCAIXA, nota.NRSEQVENDA};
}

}  // namespace

std::optional<VendaDoDocumento> LocalizaVenda(ado::TADOConnection& conexao, TipoRecibo tipo,
                                              const std::string& chave) {
  if (chave.empty()) return std::nullopt;
  if (tipo == TipoRecibo::ExtratoSat) return VendaDoCFe(conexao, chave);
  return VendaDaNota(Nfce::NotaDaChave(conexao, chave));
}

ParametrosRecibo LeParametros(const rtl::Variant& parametros) {
  if (!parametros.IsArray() || parametros.ArrayLength() != 7) {
    throw rtl::Exception("DisparaImpressaoNaoFiscal: the print list must hold 7 values");
  }
  ParametrosRecibo p;
  const std::string tipo = parametros[1].AsString();
  if (tipo == "EXTRATO_SAT") {
    p.tipo = TipoRecibo::ExtratoSat;
  } else if (tipo != "VENDA_NFCe") {
    throw rtl::Exception("DisparaImpressaoNaoFiscal: unknown print kind '" + tipo +
                         "' (VENDA_NFCe or EXTRATO_SAT)");
  }
  if (!parametros[5].IsPacket()) {
    throw rtl::Exception(
        "DisparaImpressaoNaoFiscal: element 5 of the print list is not the "
        "receipt parameters packet (cdsParamImpCupNF)");
  }
  rtl::TClientDataSet cds("cdsParamImpCupNF");
  cds.SetData(parametros[5]);
  if (cds.IsEmpty()) {
    throw rtl::Exception(
        "DisparaImpressaoNaoFiscal: the receipt parameters (cdsParamImpCupNF) "
        "carry no row");
  }
  cds.First();
  p.chave = Apara(Campo(cds, "CHAVEACESSONFCe"));
  p.senha = Apara(Campo(cds, "SENHACUPOM"));
  p.nrSeqImprLoja = Apara(Campo(cds, "NRSEQIMPRLOJA6"));
  p.idTipoImp = Apara(Campo(cds, "IDTIPOIMPNF6"));
  p.porta = Apara(Campo(cds, "CDPORTAIMPNF6"));
  p.qrCode = Apara(Campo(cds, "QRCODENFCe"));
  p.ibpt = Campo(cds, "stIBPT");
  p.ibptEs = Campo(cds, "stIBPTES");
  p.dataEmissao = Campo(cds, "DATAEMISSNFCE");
  p.nrSerieSat = Campo(cds, "NRSERIESAT");
  return p;
}

Recibo MontaModelo(ado::TADOConnection& conexao, const ParametrosRecibo& p) {
  Recibo r;
  r.tipo = p.tipo;
  r.chave = SoDigitos(p.chave);
  r.senha = p.senha;
  r.qrCode = p.qrCode;
  // The note is read once, for its sale and for what the receipt prints of it.
  const Nfce::NotaGravada nota = r.tipo == TipoRecibo::VendaNfce && !r.chave.empty()
                                     ? Nfce::NotaEmMaosOuLida(conexao, r.chave)
                                     : Nfce::NotaGravada();
  const auto venda =
      r.tipo == TipoRecibo::VendaNfce ? VendaDaNota(nota) : LocalizaVenda(conexao, r.tipo, r.chave);
  if (venda) {
    r.venda = VendaEmMaosOuLida(conexao, venda->CDFILIAL, venda->CDCAIXA, venda->NRSEQVENDA);
    r.vendaConhecida = true;
  } else if (r.chave.size() == 44) {
    r.venda.emitente.CNPJ = r.chave.substr(6, 14);
  }
  if (r.tipo == TipoRecibo::VendaNfce) {
    DadosNfce(ImpressaoDaNota(nota), r);
  } else {
    DadosSat(p, r);
    if (venda) DadosDoCFe(conexao, *venda, r);
  }
  return r;
}

}  // namespace VyrFiscal::Cupom
