#include "rtl/data_packet.h"

#include <gtest/gtest.h>

#include "rtl/errors.h"
#include "rtl/variant.h"

namespace rtl {
namespace {

DataPacket TwoOrders() {
  return DataPacket(
      {{"NRVENDAREST", FieldType::String, 10}, {"VRTOTAL", FieldType::Float}},
      {{Variant("0000000001"), Variant(12.5)}, {Variant("0000000002"), Variant::Null()}});
}

TEST(DataPacket, DescribesFieldsAndRows) {
  const DataPacket packet = TwoOrders();
  EXPECT_EQ(2u, packet.FieldCount());
  EXPECT_EQ(2u, packet.RowCount());
  EXPECT_EQ(1, packet.FieldIndex("VRTOTAL"));
  EXPECT_EQ(-1, packet.FieldIndex("vrtotal"));
  EXPECT_EQ(10, packet.Fields()[0].size);
  EXPECT_EQ(Variant(12.5), packet.Value(0, 1));
  EXPECT_TRUE(packet.Value(1, 1).IsNull());
  EXPECT_THROW(packet.Value(2, 0), EDatabaseError);
  EXPECT_EQ(0u, DataPacket().FieldCount());
}

TEST(DataPacket, RejectsRowsOfTheWrongWidth) {
  EXPECT_THROW(DataPacket({{"A", FieldType::Integer}}, {{Variant(1), Variant(2)}}), EDatabaseError);
  EXPECT_THROW(DataPacket({{"A", FieldType::Integer}}, {{}}), EDatabaseError);
}

TEST(DataPacket, ComparesByContentsAndCopiesShareThem) {
  const DataPacket a = TwoOrders();
  const DataPacket copy = a;
  EXPECT_EQ(&a.Rows(), &copy.Rows());
  EXPECT_EQ(a, TwoOrders());
  const DataPacket other({{"NRVENDAREST", FieldType::String, 10}, {"VRTOTAL", FieldType::Float}},
                         {{Variant("0000000001"), Variant(12.5)}});
  EXPECT_NE(a, other);
  EXPECT_EQ(DataPacket(), DataPacket({}, {}));
}

}  // namespace
}  // namespace rtl
