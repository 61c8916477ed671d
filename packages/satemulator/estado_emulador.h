#pragma once
// What the SAT emulator keeps between calls, as a device keeps it in its memory: one folder per
// installation, "Dados/SatEmulador/" in the program directory, or the folder named by the
// environment variable VYR_SAT_EMULADOR_DIR.
//
// The folder holds "emulador.ini" (name=value lines, edited by hand when support needs another
// activation code or serial number) and "emulador.lock", the lock that makes a second caller
// wait outside while a call is in progress. The first use creates both, with the activation code
// "123456789", the serial number "900000001", no CF-e issued yet, state 35 (São Paulo), the
// test environment (tpAmb 2), the clock of São Paulo and the emitter registered at activation
// (name and address that the device writes into each CF-e).

#include <string>
#include <utility>
#include <vector>

namespace VyrSatEmulador {

struct EstadoSat {
  std::string codigoAtivacao = "123456789";
  std::string numeroSerie = "900000001";  // 9 digits
  long ultimoCFe = 0;                     // the last nCFe issued; the next one is 1 more
  std::string cUF = "35";
  std::string tpAmb = "2";
  std::string fuso = "America/Sao_Paulo";  // the device's clock: dEmi, hEmi and the time stamp
  // The emitter as activated: the device adds its name and address to every CF-e.
  std::string xNome = "EMITENTE DE TESTE DO EMULADOR SAT";
  std::string xFant = "EMULADOR SAT";
  std::string xLgr = "RUA DE TESTE", nro = "1", xBairro = "CENTRO", xMun = "SAO PAULO";
  std::string CEP = "01001000";
  std::string ultimaChave;     // the key of the last CF-e issued, for its cancellation
  int ultimaSessao = 0;        // the session of the last answer
  std::string ultimaResposta;  // the last answer, for ConsultarNumeroSessao
  // The answers before it (session, answer), oldest first, at most kSessoesGuardadas: a device
  // answers ConsultarNumeroSessao for its recent sessions, so a register that crashed before
  // storing an answer and served another sale first still learns it. Kept in the state file
  // ("resposta.<session>=" lines), written whole with it.
  std::vector<std::pair<int, std::string>> respostasAnteriores;
};

inline constexpr size_t kSessoesGuardadas = 20;

// The state folder, without trailing "/".
std::string PastaEstado();

// Reads the state of `pasta`, creating the folder and the file with the defaults when missing.
// Raises std::runtime_error naming the file when it cannot be read or written.
EstadoSat LeEstado(const std::string& pasta);

// Writes the whole state at once (a new file renamed over the old one).
void GravaEstado(const std::string& pasta, const EstadoSat& estado);

// The answer the device gave in `sessao`, from its last answer or the ones before it; empty when
// it does not know the session.
std::string RespostaDaSessao(const EstadoSat& estado, int sessao);
// Makes `resposta` the last answer, in `sessao`; the one it replaces joins the earlier answers.
void RegistraResposta(EstadoSat& estado, int sessao, const std::string& resposta);

// The device's busy lock: taken without waiting on construction. Another thread or process that
// holds it makes Ocupado() true.
class TravaSat {
 public:
  explicit TravaSat(const std::string& pasta);
  ~TravaSat();
  TravaSat(const TravaSat&) = delete;
  TravaSat& operator=(const TravaSat&) = delete;
  bool Ocupado() const { return !obtida_; }

 private:
  int fd_ = -1;
  bool obtida_ = false;
};

}  // namespace VyrSatEmulador
