#pragma once
// The SAT emulator: a library with the functions every SAT device library exports (C linkage),
// that behaves like a device in the test environment, so that a register without a device (a
// demo, a test, a support bench) issues CF-e the way a real one would.
//
// Each function answers a text of "|"-separated fields in a buffer the library owns, valid until
// the calling thread's next call: copy it at once. The first field is the caller's session
// number, the second the answer code: the function's two digits (06 EnviarDadosVenda, 07
// CancelarUltimaVenda, 08 ConsultarSAT, 09 TesteFimAFim, 10 ConsultarStatusOperacional, 11
// ConsultarNumeroSessao, 04 AtivarSAT, 15 ExtrairLogs, 18 TrocarCodigoDeAtivacao) followed by
// 000 on success, 001 for an activation code other than the device's, 098 while another call is
// in progress (another thread or process) and 099 for a failure of the emulator itself.
// EnviarDadosVenda also answers 06010 with the reason for a sale XML it refuses; TesteFimAFim
// checks a sale XML the same way and issues nothing.
//
// The device's state (activation code, serial number, CF-e count) is described in
// estado_emulador.h.

extern "C" {

char* EnviarDadosVenda(int numeroSessao, char* codigoDeAtivacao, char* dadosVenda);
char* CancelarUltimaVenda(int numeroSessao, char* codigoDeAtivacao, char* chave,
                          char* dadosCancelamento);
char* ConsultarSAT(int numeroSessao);
char* ConsultarStatusOperacional(int numeroSessao, char* codigoDeAtivacao);
char* ConsultarNumeroSessao(int numeroSessao, char* codigoDeAtivacao, int cNumeroDeSessao);
char* AtivarSAT(int numeroSessao, int subComando, char* codigoDeAtivacao, char* CNPJ, int cUF);
char* TesteFimAFim(int numeroSessao, char* codigoDeAtivacao, char* dadosVenda);
char* ExtrairLogs(int numeroSessao, char* codigoDeAtivacao);
char* TrocarCodigoDeAtivacao(int numeroSessao, char* codigoDeAtivacao, int opcao, char* novoCodigo,
                             char* confNovoCodigo);
}
