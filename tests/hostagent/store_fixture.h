#pragma once
// What the host agent's tests share besides running the executable (hostagent_process.h): a demo
// store made and run, its database read and changed on connections of their own (the host may be
// writing it meanwhile), its daily logs read back, texts made comparable, and a demo NFC-e
// register whose notes go to the HTTPS stand-in of the state's services.

#include <string>
#include <vector>

#include "hostagent/hostagent_process.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"

namespace hosttest {

// <dir>/Dados/Loja.db.
std::string StoreOf(const std::string& dir);

// The first column of the first row `sql` gives on the store file `db`, `args` bound; "NULL" for
// a null, "-" when there is no row or the statement fails. Waits up to 10 s for a writer.
std::string Scalar(const std::string& db, const std::string& sql,
                   const vyrtest::SqlArgs& args = {});

// Runs `sql` on the store file `db`: with `args`, one statement with them bound; without, any
// number of statements. The rows the last one changed, as text; a failure fails the test
// (naming the statement) and gives "(erro)". Waits up to 10 s for a writer.
std::string Exec(const std::string& db, const std::string& sql, const vyrtest::SqlArgs& args = {});

// `hostagent demo-store --dir <dir>` with `options`; a failure fails the test.
Result MakeDemoStore(const std::string& dir, const std::vector<std::string>& options,
                     const std::string& work_dir);
// `hostagent run --dir <dir> --until-idle --max-seconds 60` and `more`.
Result RunUntilIdle(const std::string& dir, const std::string& work_dir,
                    const std::vector<std::string>& more = {});

// Every daily log of program directory `dir`, file after file ("" when there is none).
std::string LogOf(const std::string& dir);
// The message of the first line of `text` holding `part`, without the log's time stamp before
// it and the line's end; "(nenhuma linha com <part>)" when no line holds it.
std::string LineOf(const std::string& text, const std::string& part);
size_t Occurrences(const std::string& text, const std::string& part);
// `text` with every `what` (when not empty) replaced by `with`.
std::string Replaced(std::string text, const std::string& what, const std::string& with);

// Points the NFC-e register of the demo store in `dir` at the authority at `url` (trusted through
// `ca_bundle`), signing with `certificate` (password "senha-a1"), each call bound to `seconds`:
// the official schemas installed, CAIXAFISCAL's CSC, certificate and addresses set, the
// simulated authoriser off.
void PointAtAuthority(const std::string& dir, const vyrtest::TestCertificate& certificate,
                      const std::string& url, const std::string& ca_bundle, int seconds);

}  // namespace hosttest
