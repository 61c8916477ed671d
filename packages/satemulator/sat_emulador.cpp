#include "sat_emulador.h"

#include <functional>
#include <string>

#include "cfe_emulado.h"
#include "estado_emulador.h"
#include "rtl/datetime.h"
#include "rtl/random.h"

#define VYR_SAT_EXPORTA extern "C" __attribute__((visibility("default")))

namespace VyrSatEmulador {
namespace {

// A device's answer lives in its own buffer until the next call; one per thread here, so two
// threads that call at once never read each other's answer.
char* Responde(const std::string& resposta) {
  thread_local std::string buffer;
  buffer = resposta;
  return buffer.data();
}

std::string Texto(const char* valor) {
  return valor == nullptr ? "" : valor;
}

std::string Campos(int sessao, const std::string& codigo, const std::string& mensagem) {
  return std::to_string(sessao) + "|" + codigo + "|" + mensagem + "||";
}

// What every call shares: the busy lock, the state, the activation code check and the
// emulator's own failures. `corpo` answers the call once the state is read.
std::string Atende(int sessao, const char* prefixo, const char* codAtiv, bool exigeCodigo,
                   const std::function<std::string(EstadoSat&)>& corpo, bool registra = true) {
  const std::string p = prefixo;
  try {
    const std::string pasta = PastaEstado();
    TravaSat trava(pasta);
    if (trava.Ocupado()) {
      return Campos(sessao, p + "098", "SAT em processamento. Tente novamente.");
    }
    EstadoSat estado = LeEstado(pasta);
    if (exigeCodigo && Texto(codAtiv) != estado.codigoAtivacao) {
      return Campos(sessao, p + "001", "Codigo de ativacao invalido");
    }
    const std::string resposta = corpo(estado);
    if (registra) RegistraResposta(estado, sessao, resposta);
    GravaEstado(pasta, estado);
    return resposta;
  } catch (const std::exception& erro) {
    return Campos(sessao, p + "099", std::string("Erro desconhecido: ") + erro.what());
  }
}

int SorteiaCNF() {
  return static_cast<int>(rtl::Random(1000000));
}

std::string Venda(int sessao, const char* codAtiv, const char* dadosVenda, bool teste) {
  const char* prefixo = teste ? "09" : "06";
  return Atende(sessao, prefixo, codAtiv, true, [&](EstadoSat& estado) {
    try {
      // The end-to-end test checks the sale as a sale would be checked, and issues nothing.
      const CFeEmitido cfe = EmiteCFe(Texto(dadosVenda), estado, rtl::Now(), SorteiaCNF(), !teste);
      if (teste) return Campos(sessao, "09000", "Emitido com sucesso");
      const std::string inicio = std::to_string(sessao) + "|" + prefixo + "000|0000|";
      return inicio + "Emitido com sucesso + conteudo notas.|||" + Base64(cfe.xml) + "|" +
             cfe.timeStamp + "|CFe" + cfe.chave + "|" + cfe.valorTotal + "|" + cfe.cpfCnpj + "|" +
             cfe.assinaturaQr;
    } catch (const ErroValidacao& erro) {
      return std::to_string(sessao) + "|" + prefixo +
             "010|1999|Erro de validacao do conteudo: " + erro.what() + "||";
    }
  });
}

}  // namespace
}  // namespace VyrSatEmulador

using namespace VyrSatEmulador;

VYR_SAT_EXPORTA char* EnviarDadosVenda(int numeroSessao, char* codigoDeAtivacao, char* dadosVenda) {
  return Responde(Venda(numeroSessao, codigoDeAtivacao, dadosVenda, false));
}

VYR_SAT_EXPORTA char* TesteFimAFim(int numeroSessao, char* codigoDeAtivacao, char* dadosVenda) {
  return Responde(Venda(numeroSessao, codigoDeAtivacao, dadosVenda, true));
}

VYR_SAT_EXPORTA char* CancelarUltimaVenda(int numeroSessao, char* codigoDeAtivacao, char* chave,
                                          char* /*dadosCancelamento*/) {
  return Responde(Atende(numeroSessao, "07", codigoDeAtivacao, true, [&](EstadoSat& estado) {
    const std::string pedida = Texto(chave);
    const bool ultima = !estado.ultimaChave.empty() &&
                        (pedida == "CFe" + estado.ultimaChave || pedida == estado.ultimaChave);
    if (!ultima) {
      return Campos(numeroSessao, "07007", "A chave nao e a do ultimo CF-e emitido");
    }
    estado.ultimaChave.clear();
    return Campos(numeroSessao, "07000", "Cupom cancelado com sucesso");
  }));
}

VYR_SAT_EXPORTA char* ConsultarSAT(int numeroSessao) {
  return Responde(Atende(numeroSessao, "08", nullptr, false, [&](EstadoSat&) {
    return Campos(numeroSessao, "08000", "SAT em operacao");
  }));
}

VYR_SAT_EXPORTA char* ConsultarStatusOperacional(int numeroSessao, char* codigoDeAtivacao) {
  return Responde(Atende(numeroSessao, "10", codigoDeAtivacao, true, [&](EstadoSat& estado) {
    return std::to_string(numeroSessao) + "|10000|Resposta com Sucesso.|||" + estado.numeroSerie +
           "|EMULADOR|" + std::to_string(estado.ultimoCFe) + "|" + estado.ultimaChave;
  }));
}

VYR_SAT_EXPORTA char* ConsultarNumeroSessao(int numeroSessao, char* codigoDeAtivacao,
                                            int cNumeroDeSessao) {
  // The lookup does not become the last answer itself: the answer it repeats stays so.
  const auto consulta = [&](EstadoSat& estado) {
    const std::string guardada = RespostaDaSessao(estado, cNumeroDeSessao);
    return guardada.empty() ? Campos(numeroSessao, "11003", "Sessao nao existe") : guardada;
  };
  return Responde(Atende(numeroSessao, "11", codigoDeAtivacao, true, consulta, false));
}

VYR_SAT_EXPORTA char* AtivarSAT(int numeroSessao, int /*subComando*/, char* codigoDeAtivacao,
                                char* /*CNPJ*/, int /*cUF*/) {
  return Responde(Atende(numeroSessao, "04", codigoDeAtivacao, true, [&](EstadoSat&) {
    return Campos(numeroSessao, "04000", "SAT ja ativado");
  }));
}

VYR_SAT_EXPORTA char* ExtrairLogs(int numeroSessao, char* codigoDeAtivacao) {
  return Responde(Atende(numeroSessao, "15", codigoDeAtivacao, true, [&](EstadoSat& estado) {
    const std::string log =
        "ultimo CF-e " + std::to_string(estado.ultimoCFe) + " chave " + estado.ultimaChave + "\n";
    return std::to_string(numeroSessao) + "|15000|Transferencia completa|||" + Base64(log);
  }));
}

VYR_SAT_EXPORTA char* TrocarCodigoDeAtivacao(int numeroSessao, char* codigoDeAtivacao,
                                             int /*opcao*/, char* novoCodigo,
                                             char* confNovoCodigo) {
  return Responde(Atende(numeroSessao, "18", codigoDeAtivacao, true, [&](EstadoSat& estado) {
    const std::string novo = Texto(novoCodigo);
    if (novo.size() < 8 || novo != Texto(confNovoCodigo)) {
      return Campos(numeroSessao, "18002", "Novo codigo de ativacao invalido ou nao confirmado");
    }
    estado.codigoAtivacao = novo;
    return Campos(numeroSessao, "18000", "Codigo de ativacao alterado");
  }));
}
