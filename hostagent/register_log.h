#pragma once
// A line of the host agent's own in the register's daily log, where the worker writes its lines
// (worker/log_imp_exp_kds.h): the same file, the same "<dd/mm/yyyy hh:nn:ss> - <message>" form,
// so what an operator's command did shows beside the closings it touches.

#include <string>

namespace hostagent {

// Appends `message` to today's log of the register in program directory `dir` (its own file once
// another register has started there, worker/log_file_name.h). Returns "" or why the line could
// not be written (naming the file); never raises.
std::string AppendToRegisterLog(const std::string& dir, const std::string& filial,
                                const std::string& caixa, const std::string& loja,
                                const std::string& message);

}  // namespace hostagent
