#include "rtl/text_codec.h"

#include <gtest/gtest.h>

namespace rtl {
namespace {

TEST(WideText, ConvertsBmpAndSupplementaryCharacters) {
  EXPECT_EQ("Pão de açúcar", WideToUtf8(u"Pão de açúcar"));
  EXPECT_EQ("€ 10", WideToUtf8(u"€ 10"));
  EXPECT_EQ("\xF0\x9F\x98\x80", WideToUtf8(u"\U0001F600"));
  EXPECT_EQ(u"Pão €\U0001F600", Utf8ToWide("Pão €\xF0\x9F\x98\x80"));
}

TEST(WideText, UnpairedSurrogatesBecomeQuestionMarks) {
  EXPECT_EQ("a?b", WideToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}));
  EXPECT_EQ("a?", WideToUtf8(std::u16string{u'a', char16_t(0xDC00)}));
  EXPECT_EQ("??", WideToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}));
}

TEST(WideText, InvalidUtf8BecomesQuestionMarks) {
  EXPECT_EQ(u"a?b", Utf8ToWide("a\xFF"
                               "b"));
  EXPECT_EQ(u"??", Utf8ToWide("\xC0\xAF"));       // overlong '/'
  EXPECT_EQ(u"x??", Utf8ToWide("x\xE2\x82"));     // truncated: one "?" per byte
  EXPECT_EQ(u"???", Utf8ToWide("\xED\xA0\x80"));  // an encoded surrogate
}

TEST(CodePage1252, HighBytesMapToTheirCharacters) {
  EXPECT_EQ("€", Cp1252ToUtf8("\x80"));
  EXPECT_EQ("Ação", Cp1252ToUtf8("A\xE7\xE3o"));
  EXPECT_EQ("“ok”", Cp1252ToUtf8("\x93ok\x94"));
  EXPECT_EQ("\xC2\x81", Cp1252ToUtf8("\x81"));  // undefined byte: its C1 control
}

TEST(CodePage1252, EncodesBackAndReplacesWhatItCannotHold) {
  EXPECT_EQ("A\xE7\xE3o \x80", Utf8ToCp1252("Ação €"));
  EXPECT_EQ("?", Utf8ToCp1252("\xE2\x98\x83"));  // snowman
  EXPECT_EQ("a?", Utf8ToCp1252("a\xFF"));
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(every_byte, Utf8ToCp1252(Cp1252ToUtf8(every_byte)));
}

}  // namespace
}  // namespace rtl
