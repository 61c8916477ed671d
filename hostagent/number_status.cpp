// The document numbers in `hostagent status`: read with SELECT statements only, as the rest of
// the report.

#include "hostagent/number_status.h"

#include "db/statement_kit.h"

namespace hostagent {

namespace {

const char* const kSelNumerosReservados =
    R"mssql(SELECT NRVENDAREST, NRCOMANDA, CDMODDOCFIS, NRSERIEDOCFIS, NRDOCFIS FROM NUMDOCRESERV WHERE CDFILIAL = :P_CDFILIAL AND IDSITRESERVA = 'reserved' ORDER BY NRDOCFIS)mssql";

// The register's NFC-e numbers whose bill no longer waits, not yet released or voided.
const char* const kSelNumerosAInutilizar =
    R"mssql(SELECT R.NRDOCFIS, R.NRSERIEDOCFIS, R.NRCOMANDA, R.IDSITRESERVA, R.DSMOTIVORESERVA FROM NUMDOCRESERV R WHERE R.CDFILIAL = :P_CDFILIAL AND R.CDCAIXA = :P_CDCAIXA AND R.CDMODDOCFIS = '65' AND (R.IDSITRESERVA IN ('voiding', 'refused') OR (R.IDSITRESERVA = 'reserved' AND NOT EXISTS (SELECT 1 FROM COMANDAVEN CV WHERE CV.CDFILIAL = R.CDFILIAL AND CV.NRVENDAREST = R.NRVENDAREST AND CV.NRCOMANDA = R.NRCOMANDA AND CV.IDIMPCUPEXP = '2'))) ORDER BY R.NRDOCFIS)mssql";

// What comes of a number left to void, as the closing's settling of numbers decides it.
std::string NumberOutlook(const std::string& situacao) {
  if (situacao == "voiding") {
    return "inutilizacao enviada sem resposta: pedida de novo a cada 10 min, no fechamento de "
           "um pedido ou no inicio do caixa";
  }
  if (situacao == "refused") {
    return "inutilizacao recusada pela autoridade e nao pedida de novo: verifique com o suporte "
           "se uma nota usou o numero ou inutilize-o pelo portal da SEFAZ";
  }
  return "liberado se uma nota o levar, senao inutilizado no proximo fechamento de um pedido ou "
         "no inicio do caixa";
}

}  // namespace

// The numbers reserved for the pending bills: each waits in its bill for the note that carries
// it, and is voided once the bill leaves the queue without one.
void ReadReservedNumbers(ado::TADOConnection& connection, const ado::Binding& filial,
                         std::vector<OrderStatus>& pedidos) {
  ado::ForEachRow(connection, "adqNumerosReservados", kSelNumerosReservados,
                  ado::TextParams({"P_CDFILIAL"}), {filial}, [&](ado::TADOQuery& q) {
                    for (OrderStatus& p : pedidos) {
                      if (p.nrvendarest != q.FieldByName("NRVENDAREST").AsString() ||
                          p.nrcomanda != q.FieldByName("NRCOMANDA").AsString()) {
                        continue;
                      }
                      p.numero = q.FieldByName("NRDOCFIS").AsString();
                      p.serie = q.FieldByName("NRSERIEDOCFIS").AsString();
                      p.modelo = q.FieldByName("CDMODDOCFIS").AsString();
                    }
                  });
}

void ReadNumbersToVoid(ado::TADOConnection& connection, const ado::Binding& filial,
                       const ado::Binding& caixa, std::vector<NumberStatus>& numeros) {
  ado::ForEachRow(connection, "adqNumerosAInutilizar", kSelNumerosAInutilizar,
                  ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}), {filial, caixa},
                  [&](ado::TADOQuery& q) {
                    NumberStatus n;
                    n.numero = q.FieldByName("NRDOCFIS").AsString();
                    n.serie = q.FieldByName("NRSERIEDOCFIS").AsString();
                    n.nrcomanda = q.FieldByName("NRCOMANDA").AsString();
                    n.situacao = q.FieldByName("IDSITRESERVA").AsString();
                    n.motivo = q.FieldByName("DSMOTIVORESERVA").AsString();
                    n.acao = NumberOutlook(n.situacao);
                    numeros.push_back(n);
                  });
}

// A CF-e's number is the device's: the one the closing drew is only released.
std::string ReservedNumberText(const OrderStatus& p) {
  if (p.modelo == "59") {
    return "numero reservado: CF-e " + p.numero + " serie " + p.serie +
           " (o SAT numera o CF-e; liberado quando o pedido sair da fila)";
  }
  return "numero reservado: NFC-e " + p.numero + " serie " + p.serie +
         " (vai na nota quando o pedido for fechado; inutilizado se o pedido sair da fila sem "
         "nota)";
}

}  // namespace hostagent
