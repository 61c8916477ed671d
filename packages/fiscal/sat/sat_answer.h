#pragma once
// The answer of a SAT device's EnviarDadosVenda, read into the name=value list the closing reads.

#include <string>
#include <vector>

#include "fiscal/closing_lists.h"

namespace VyrFiscal::Sat {

// The "|"-separated fields of `resposta` as LinhaSat lines (names in fiscal/closing_lists.h),
// in the device's order:
// - 12 fields (an issued CF-e): numeroSessao, EEEEE, CCCC, mensagem, cod, mensagemSEFAZ,
//   timeStamp, chaveConsulta (the 44 digits, without the "CFe" prefix), valorTotalCFe,
//   CPFCNPJValue, assinaturaQRCODE, then arqxmlnfce: the CF-e XML decoded from the base64 field,
//   line breaks removed so that it stays one line (empty when the field is not base64);
// - 6 fields: numeroSessao, EEEEE, CCCC, mensagem, cod, mensagemSEFAZ;
// - 5 fields: numeroSessao, EEEEE, mensagem, cod, mensagemSEFAZ;
// - anything else: mensagem = "Resposta do SAT fora do padrao: " + the answer.
// Read them back with ValorSat. Never raises.
std::vector<std::string> InterpretaResposta(const std::string& resposta);

// True when the list is an issued CF-e (EEEEE 06000).
bool Emitido(const std::vector<std::string>& valores);

// The CF-e XML of an answer in the 12-field form, as the device wrote it (line breaks kept);
// "" for any other answer or a field that is not base64.
std::string XmlDaResposta(const std::string& resposta);

// Base64 (with or without line breaks) to bytes; raises rtl::EConvertError when it is not base64.
std::string DecodificaBase64(const std::string& texto);

}  // namespace VyrFiscal::Sat
