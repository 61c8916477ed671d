#pragma once
// The checks of `hostagent check` on the store's data and the register's local tables: each
// looks at one thing a sale of the register needs and adds a line for each fault it finds,
// naming the table, column or file to mend. Read only.

#include <string>
#include <vector>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace hostagent {

// A fault stops the register's sales (or makes its documents wrong); a warning announces one.
enum class Gravidade { kFalha, kAviso };

struct Achado {
  Gravidade gravidade;
  std::string texto;
};
using Achados = std::vector<Achado>;

// The register checked, as the store describes it.
struct CaixaVerificado {
  std::string dir, filial, caixa, loja;
  std::string emissao;        // CAIXA.IDTPEMISSAOVYR
  std::string uf, cUF;        // FILIAL.SGESTADO, FILIAL.CDUFIBGE
  std::string cnpj, regime;   // FILIAL.NRINSJURFILI, FILIAL.IDREGTRIBFILI
  std::string fuso;           // FILIAL.DSFUSOHORARIO
  std::string ambiente;       // PARAVEND.IDAMBTRABNFCE
  std::string origemPropria;  // PARAVEND.IDORIGVENDA
  std::string modelo, porta;  // the receipt printer: IMPRESSORA.IDMODEIMPRES, IMPRLOJA.CDPORTAIMPR
  rtl::TDateTime agora = 0;   // this host's clock
};

// FILIAL.DSFUSOHORARIO names a zone the system knows (empty: the default zone).
void VerificaFuso(const CaixaVerificado& c, Achados& achados);
// Dados/Cadastros/ConfTipoRece.cds: every payment type of the branch has its CDFPIMPFIS.
void VerificaTiposRecebimento(const CaixaVerificado& c, Achados& achados);
// FILIAL.IDREGTRIBFILI is set and every product's CDSITTRIBICMS has its SITTRIBREGIME row.
void VerificaSituacoesTributarias(ado::TADOConnection& conexao, const CaixaVerificado& c,
                                  Achados& achados);
// Every order origin the branch's orders and sales show, other than PARAVEND.IDORIGVENDA, has
// its INTERMEDVENDA row (without it a marketplace's note says no intermediary).
void VerificaIntermediadores(ado::TADOConnection& conexao, const CaixaVerificado& c,
                             Achados& achados);
// The state's IBPT table is loaded, in force, and not ending within 30 days (a warning).
void VerificaIbpt(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados);
// The NFC-e numbers of the register's series between the first and the last used that no note
// carries and no voiding covers (a warning: they must be voided).
void VerificaNumeracao(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados);

}  // namespace hostagent
