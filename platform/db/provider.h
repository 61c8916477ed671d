#pragma once
// Turns the result of one query into a data packet.

#include "db/query.h"
#include "rtl/variant.h"

namespace ado {

class TDataSetProvider {
 public:
  TDataSetProvider() = default;
  explicit TDataSetProvider(TADOQuery& query) : query_(&query) {}
  void SetDataSet(TADOQuery& query) { query_ = &query; }

  // The query's whole result as a data packet. A closed query is opened for the read and closed
  // again afterwards; an open one is read from its first row and stays open.
  rtl::Variant Data();

 private:
  TADOQuery* query_ = nullptr;
};

}  // namespace ado
