// Damaged, truncated and hostile table files fail with a clear error and nothing worse.
#include <gtest/gtest.h>

#include "cds/cds_error.h"
#include "cds/cds_file.h"
#include "platform/cds/cds_test_util.h"

namespace {

using namespace cds_test;

// The error text, or "" when the bytes read; any other kind of exception fails the test.
std::string ReadError(const std::string& bytes, const std::string& name = "bad.cds") {
  try {
    cds::ReadCdsData(bytes, name);
    return "";
  } catch (const cds::ECdsError& error) {
    return error.what();
  }
}

::testing::AssertionResult FailsWith(const std::string& bytes, const std::string& expected) {
  const std::string message = ReadError(bytes);
  if (message.rfind("bad.cds: ", 0) == 0 && message.find(expected) != std::string::npos) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "message '" << message << "' lacks '" << expected << "'";
}

// A valid file of one integer field and one row.
PacketBuilder OneIntegerRow() {
  PacketBuilder builder;
  builder.Field("N", TypeWord(1, 4)).Row({0}, U32(42));
  return builder;
}

TEST(DamagedFiles, EveryTruncationOfABinaryFileFails) {
  const std::string bytes = ReadBytes(FixturePath("jvdbgrid_country.cds"));
  for (size_t length = 0; length < bytes.size(); ++length) {
    const std::string message = ReadError(bytes.substr(0, length));
    ASSERT_EQ(0u, message.rfind("bad.cds: ", 0)) << "length " << length << ": " << message;
  }
}

TEST(DamagedFiles, EveryTruncationOfAnXmlFileFails) {
  const std::string bytes = ReadBytes(FixturePath("country.xml"));
  const size_t end = bytes.rfind("</DATAPACKET>");
  for (size_t length = 0; length < end; ++length) {
    const std::string message = ReadError(bytes.substr(0, length));
    ASSERT_EQ(0u, message.rfind("bad.cds: ", 0)) << "length " << length << ": " << message;
  }
}

TEST(DamagedFiles, EveryCorruptedByteEitherReadsOrFailsCleanly) {
  // The whole of the file with a change log; the descriptors and first rows of the one with
  // dates, booleans and memos.
  const std::pair<const char*, size_t> files[] = {{"jvdbgrid_country.cds", SIZE_MAX},
                                                  {"reservat.cds", 0x200}};
  for (const auto& [name, limit] : files) {
    const std::string bytes = ReadBytes(FixturePath(name));
    for (size_t i = 0; i < std::min(bytes.size(), limit); ++i) {
      for (char replacement : {static_cast<char>(bytes[i] ^ 0xFF), '\x7F'}) {
        std::string damaged = bytes;
        damaged[i] = replacement;
        const std::string message = ReadError(damaged);
        EXPECT_TRUE(message.empty() || message.rfind("bad.cds: ", 0) == 0) << message;
      }
    }
  }
}

TEST(DamagedFiles, WrongMagic) {
  std::string bytes = OneIntegerRow().Build();
  ASSERT_EQ("", ReadError(bytes));
  bytes[1] = 'X';
  EXPECT_TRUE(FailsWith(bytes, "wrong magic"));
  EXPECT_TRUE(FailsWith("PK\x03\x04 not a table", "wrong magic"));
  EXPECT_TRUE(FailsWith("", "empty file"));
}

TEST(DamagedFiles, UnsupportedVersionAndHeaderSize) {
  EXPECT_TRUE(FailsWith(OneIntegerRow().Build(0xBDE01996, 9), "unsupported format version 9"));
  std::string bytes = OneIntegerRow().Build();
  bytes[8] = 10;  // header size
  EXPECT_TRUE(FailsWith(bytes, "header size 10"));
}

TEST(DamagedFiles, AbsurdCountsFailBeforeAnyAllocation) {
  std::string rows = OneIntegerRow().Build();
  rows.replace(14, 4, U32(0xFFFFFFFF));
  EXPECT_TRUE(FailsWith(rows, "absurd count"));
  std::string columns = OneIntegerRow().Build();
  columns.replace(12, 2, U16(0xFFFF));
  EXPECT_TRUE(FailsWith(columns, "absurd count"));
  PacketBuilder array;
  array.PacketProperty(Property("CHANGE_LOG", TypeWord(2, 4) | 0x00800000u, U32(0x40000000)));
  EXPECT_TRUE(FailsWith(array.Build(), "absurd count"));
  // Few bytes, many values: 4 NULL fields per flag byte.
  PacketBuilder wide;
  for (int f = 0; f < 4000; ++f) wide.Field("F" + std::to_string(f), TypeWord(1, 4));
  std::string nulls = wide.Build();
  nulls.replace(14, 4, U32(2000));
  nulls += std::string(2000 * 1001, '\x55');
  EXPECT_TRUE(FailsWith(nulls, "absurd count: 2000 rows of 4000 fields"));
}

TEST(DamagedFiles, LengthPastTheEnd) {
  PacketBuilder text;
  text.Field("S", TypeWord(9, 2, true), 0, {WidthProperty(20)}).Row({0}, U16(60000) + "abc");
  EXPECT_TRUE(FailsWith(text.Build(), "length past the end"));
  PacketBuilder blob;
  blob.Field("B", TypeWord(11, 4, true), 0, {SubtypeProperty("Binary")})
      .Row({0}, U32(0xFFFFFFF0) + "x");
  EXPECT_TRUE(FailsWith(blob.Build(), "length past the end"));
  std::string offset = OneIntegerRow().Build();
  offset.replace(22, 2, U16(0xFFFF));
  EXPECT_TRUE(FailsWith(offset, "past the end"));
}

TEST(DamagedFiles, UnknownTypeCodeAndBadSizes) {
  PacketBuilder unknown;
  unknown.Field("Odd", TypeWord(40, 4)).Row({1}, "");
  EXPECT_TRUE(FailsWith(unknown.Build(), "field 'Odd': unknown type code 40"));
  PacketBuilder three_byte_int;
  three_byte_int.Field("I", TypeWord(1, 3)).Row({0}, "abc");
  EXPECT_TRUE(FailsWith(three_byte_int.Build(), "unknown type code 1"));
  PacketBuilder nested;
  nested.Field("Detail", TypeWord(14, 1) | 0x04000000u);
  EXPECT_TRUE(FailsWith(nested.Build(), "nested tables"));
}

TEST(DamagedFiles, InvalidValues) {
  PacketBuilder date;
  date.Field("D", TypeWord(6, 4)).Row({0}, U32(99999999));
  EXPECT_TRUE(FailsWith(date.Build(), "field 'D': date out of range"));
  PacketBuilder stamp;
  stamp.Field("T", TypeWord(8, 8)).Row({0}, F64(-5));
  EXPECT_TRUE(FailsWith(stamp.Build(), "date-time out of range"));
  PacketBuilder bcd;
  bcd.Field("N", TypeWord(5, 18)).Row({0}, U8(40) + std::string(17, '\0'));
  EXPECT_TRUE(FailsWith(bcd.Build(), "invalid BCD value"));
}

TEST(DamagedFiles, ChangeLogPointingForwardOrOutside) {
  PacketBuilder forward;
  forward.Field("N", TypeWord(1, 4))
      .PacketProperty(ChangeLogProperty({1, 2, 8, 2, 0, 4}))
      .Row({0}, U32(1), 8)
      .Row({0}, U32(2), 4);
  EXPECT_TRUE(FailsWith(forward.Build(), "change log entry (1, 2)"));
  PacketBuilder outside;
  outside.Field("N", TypeWord(1, 4)).PacketProperty(ChangeLogProperty({5, 0, 4})).Row({0}, U32(1));
  EXPECT_TRUE(FailsWith(outside.Build(), "change log entry (5, 0)"));
  PacketBuilder partial;
  partial.Field("N", TypeWord(1, 4)).PacketProperty(ChangeLogProperty({1, 0})).Row({0}, U32(1));
  EXPECT_TRUE(FailsWith(partial.Build(), "triples"));
}

TEST(DamagedFiles, BrokenXml) {
  const std::string head = "<?xml version=\"1.0\" standalone=\"yes\"?>";
  EXPECT_TRUE(FailsWith(head + "<DATAPACKET><METADATA>", "invalid XML"));
  EXPECT_TRUE(FailsWith(head + "<OTHER/>", "no DATAPACKET element"));
  EXPECT_TRUE(FailsWith(
      head + "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"X\" fieldtype=\"zz\"/></FIELDS>"
             "</METADATA><ROWDATA/></DATAPACKET>",
      "field 'X': unknown field type 'zz'"));
  EXPECT_TRUE(FailsWith(
      head + "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"N\" fieldtype=\"i4\"/></FIELDS>"
             "</METADATA><ROWDATA><ROW N=\"12a\"/></ROWDATA></DATAPACKET>",
      "row 1, field 'N': '12a' is not a valid Integer value"));
  EXPECT_TRUE(FailsWith("<?xml version=\"1.0\" encoding=\"EBCDIC\"?><DATAPACKET/>",
                        "unsupported encoding 'EBCDIC'"));
}

}  // namespace
