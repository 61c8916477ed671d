#pragma once
// A SAT device library, loaded with dlopen for the calls of one emission and unloaded after.

#include <string>

namespace VyrFiscal::Sat {

class BibliotecaSat {
 public:
  // Loads the library at `caminho`. Raises rtl::Exception naming the library and the loader's
  // reason when it cannot be loaded or lacks EnviarDadosVenda.
  explicit BibliotecaSat(const std::string& caminho);
  ~BibliotecaSat();
  BibliotecaSat(const BibliotecaSat&) = delete;
  BibliotecaSat& operator=(const BibliotecaSat&) = delete;

  // The device's answer, copied out of the library's buffer before anything else runs; "" when
  // the library answered nothing.
  std::string EnviarDadosVenda(int sessao, const std::string& codigoAtivacao,
                               const std::string& dadosVenda);

  // The device's answer to the call of session `consultada`, as it gave it then; the answer code
  // 11003 when the device does not know the session. Raises rtl::Exception naming the library
  // when it lacks ConsultarNumeroSessao.
  std::string ConsultarNumeroSessao(int sessao, const std::string& codigoAtivacao, int consultada);

 private:
  using Enviar = char* (*)(int, char*, char*);
  using Consultar = char* (*)(int, char*, int);
  const std::string caminho_;
  void* handle_ = nullptr;
  Enviar enviar_ = nullptr;
};

// This project's SAT emulator, as CAIXAFISCAL.DSLIBSAT names it: the file name alone means the
// one beside the fiscal package's own library.
inline constexpr const char* kBibliotecaEmulador = "libVyrSatEmulador.so";

// The software house's registration that test devices and the emulator accept (ide/CNPJ and
// ide/signAC of the CF-e).
inline constexpr const char* kCnpjSoftwareHouseTeste = "11444777000161";
inline constexpr const char* kSignACTeste = "SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT";

// The SAT emulator library beside the fiscal package's own library (libVyrSatEmulador.so).
std::string BibliotecaPadrao();

// True when `DSLIBSAT` names the emulator: its file name is kBibliotecaEmulador.
bool NomeiaEmulador(const std::string& DSLIBSAT);

}  // namespace VyrFiscal::Sat
