#pragma once
// What SetConcluiFechamento records, taken from the module's closing lists, and the steps that
// record it. Internal to the package.

#include <string>
#include <vector>

#include "db/connection.h"
#include "fiscal/closing_lists.h"
#include "rtl/client_dataset.h"
#include "rtl/data_packet.h"
#include "rtl/variant.h"

namespace VyrFiscal::Venda {

// The sale as the closing hands it over: the 48 values by meaning, and the tables it records.
struct Fechamento : ValoresFechamento {
  rtl::DataPacket vendas;      // sale rows, one per item (table 0)
  rtl::DataPacket movimentos;  // cash movements (table 1)
  rtl::DataPacket cancelados;  // cancelled items (table 2)
};

// Reads the closing lists. Raises rtl::Exception naming what is missing when the lists are
// shorter than the closing's.
Fechamento LeFechamento(const std::vector<rtl::TClientDataSet*>& tabelas,
                        const rtl::Variant& parametros);

// A sale already recorded for the same bill, not cancelled.
struct VendaExistente {
  bool encontrada = false;
  std::string CDCAIXA, NRSEQVENDA;
};
VendaExistente ProcuraVendaDaComanda(ado::TADOConnection& conexao, const Fechamento& fechamento);

// Why the sale cannot be recorded, for the support person; "" when it can.
std::string MotivoRecusa(ado::TADOConnection& conexao, const Fechamento& fechamento);

// Writes the sale's rows (header, cancelled items, items with their tax, movements, consumer
// debits) on `conexao`, inside the caller's transaction.
void GravaVenda(ado::TADOConnection& conexao, const Fechamento& fechamento,
                const std::string& NRSEQVENDA);

}  // namespace VyrFiscal::Venda
