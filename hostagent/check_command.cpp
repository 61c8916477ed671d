#include "hostagent/check_command.h"

#include <ostream>
#include <stdexcept>

#include "db/statement_kit.h"
#include "hostagent/host_records.h"
#include "hostagent/register_checks.h"
#include "hostagent/run_command.h"
#include "hostagent/store_checks.h"
#include "vyrutil/connection_setup.h"

namespace hostagent {

const char* const kCheckExitCodesHelp =
    "Codigos de saida de check:\n"
    "  0  nada impede uma venda (avisos podem ter saido)\n"
    "  1  algo impede uma venda ou deixa o documento errado (cada coisa numa linha FALHA), ou a\n"
    "     loja nao pode ser lida\n"
    "  2  argumentos invalidos\n"
    "  4  caixa nao encontrado (nenhuma linha de CAIXA para filial, caixa e loja)\n";

namespace {

// The register with its branch, its branch's sale settings and its receipt printer.
const char* const kSelCaixa =
    R"mssql(SELECT CX.IDTPEMISSAOVYR, FI.SGESTADO, FI.CDUFIBGE, FI.NRINSJURFILI, FI.IDREGTRIBFILI, FI.DSFUSOHORARIO, PV.IDAMBTRABNFCE, PV.IDORIGVENDA, IP.IDMODEIMPRES, IL.CDPORTAIMPR FROM CAIXA CX LEFT JOIN FILIAL FI ON FI.CDFILIAL = CX.CDFILIAL LEFT JOIN PARAVEND PV ON PV.CDFILIAL = CX.CDFILIAL LEFT JOIN IMPRLOJA IL ON IL.CDFILIAL = CX.CDFILIAL AND IL.CDLOJA = CX.CDLOJA AND IL.NRSEQIMPRLOJA = CX.NRSEQIMPRLOJA6 LEFT JOIN IMPRESSORA IP ON IP.CDIMPRESSORA = IL.CDIMPRESSORA WHERE CX.CDFILIAL = :P_CDFILIAL AND CX.CDCAIXA = :P_CDCAIXA AND CX.CDLOJA = :P_CDLOJA)mssql";

bool LeCaixa(ado::TADOConnection& conexao, CaixaVerificado& c) {
  return ado::ReadFirstRow(conexao, "adqCaixaVerificado", kSelCaixa,
                           ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_CDLOJA"}),
                           {{"P_CDFILIAL", c.filial}, {"P_CDCAIXA", c.caixa}, {"P_CDLOJA", c.loja}},
                           [&](ado::TADOQuery& q) {
                             const auto campo = [&q](const char* nome) {
                               return q.FieldByName(nome).AsString();
                             };
                             c.emissao = campo("IDTPEMISSAOVYR");
                             c.uf = campo("SGESTADO");
                             c.cUF = campo("CDUFIBGE");
                             c.cnpj = campo("NRINSJURFILI");
                             c.regime = campo("IDREGTRIBFILI");
                             c.fuso = campo("DSFUSOHORARIO");
                             c.ambiente = campo("IDAMBTRABNFCE");
                             c.origemPropria = campo("IDORIGVENDA");
                             c.modelo = campo("IDMODEIMPRES");
                             c.porta = campo("CDPORTAIMPR");
                           });
}

// Every check, in the order a support person mends them.
Achados Verifica(ado::TADOConnection& conexao, const CaixaVerificado& c, bool online) {
  Achados achados;
  VerificaFiscal(conexao, c, achados);
  if (online) VerificaStatusSefaz(conexao, c, achados);
  VerificaFuso(c, achados);
  VerificaImpressora(c, achados);
  VerificaTiposRecebimento(c, achados);
  VerificaSituacoesTributarias(conexao, c, achados);
  VerificaIntermediadores(conexao, c, achados);
  VerificaIbpt(conexao, c, achados);
  VerificaNumeracao(conexao, c, achados);
  return achados;
}

std::string Json(const std::string& texto) {
  std::string saida = "\"";
  for (const char ch : texto) {
    if (ch == '"' || ch == '\\') {
      saida += std::string("\\") + ch;
    } else if (static_cast<unsigned char>(ch) < 0x20) {
      saida += ' ';
    } else {
      saida += ch;
    }
  }
  return saida + "\"";
}

size_t Falhas(const Achados& achados) {
  size_t n = 0;
  for (const Achado& a : achados) n += a.gravidade == Gravidade::kFalha;
  return n;
}

void EscreveTexto(const CaixaVerificado& c, const Achados& achados, std::ostream& out) {
  for (const Achado& a : achados) {
    out << (a.gravidade == Gravidade::kFalha ? "FALHA: " : "AVISO: ") << a.texto << "\n";
  }
  const size_t falhas = Falhas(achados);
  out << "Caixa " << c.caixa << " (filial " << c.filial << ", loja " << c.loja << "): "
      << (falhas == 0 ? "pronto para vender"
                      : "NAO pronto: " + std::to_string(falhas) + " falha(s)")
      << ", " << achados.size() - falhas << " aviso(s)\n";
}

void EscreveJson(const CaixaVerificado& c, const Achados& achados, std::ostream& out) {
  std::string falhas, avisos;
  for (const Achado& a : achados) {
    std::string& lista = a.gravidade == Gravidade::kFalha ? falhas : avisos;
    lista += (lista.empty() ? "" : ", ") + Json(a.texto);
  }
  out << "{\"filial\": " << Json(c.filial) << ", \"caixa\": " << Json(c.caixa)
      << ", \"loja\": " << Json(c.loja) << ", \"pronto\": " << (falhas.empty() ? "true" : "false")
      << ", \"falhas\": [" << falhas << "], \"avisos\": [" << avisos << "]}\n";
}

}  // namespace

int RunCheck(const CheckOptions& o, std::ostream& out, std::ostream& err) {
  CaixaVerificado c;
  c.dir = o.dir;
  c.filial = o.filial;
  c.caixa = o.caixa;
  c.loja = o.loja;
  try {
    FillRegister(c.dir, c.filial, c.caixa, c.loja);
  } catch (const std::invalid_argument& e) {
    err << "hostagent: " << e.what() << "\n";
    return kExitUsage;
  }
  c.agora = rtl::Now();
  ado::TADOConnection conexao;
  Achados achados;
  try {
    conexao.ConnectionString = StoreConnection(c.dir);
    if (!LeCaixa(conexao, c)) {
      err << "hostagent: caixa nao encontrado: nenhuma linha de CAIXA para filial " << c.filial
          << ", caixa " << c.caixa << ", loja " << c.loja << "\n";
      return kExitNoRegister;
    }
    achados = Verifica(conexao, c, o.online);
  } catch (const std::exception& e) {
    err << "hostagent: a loja nao pode ser lida: " << VyrUtil::ADOExceptionMessage(e, conexao, "")
        << "\n";
    return kExitCheckFalhou;
  }
  if (o.json) {
    EscreveJson(c, achados, out);
  } else {
    EscreveTexto(c, achados, out);
  }
  return Falhas(achados) == 0 ? kExitOk : kExitCheckFalhou;
}

}  // namespace hostagent
