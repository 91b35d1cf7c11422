#include <gtest/gtest.h>

#include "platform/ado/Error.h"
#include "platform/ado/Variant.h"

using ado::Variant;

TEST(Variant, NullIsDistinctAndWrongKindAccessIsAnError) {
  EXPECT_TRUE(Variant().isNull());
  EXPECT_NE(Variant(), Variant(""));
  EXPECT_NE(Variant(), Variant(0));
  EXPECT_EQ(Variant().toText(), "");
  EXPECT_THROW(Variant("7").asInteger(), ado::Error);
  EXPECT_THROW(Variant().asText(), ado::Error);
}

TEST(Variant, TextFormIsCanonicalAndLocaleFree) {
  EXPECT_EQ(Variant(true).toText(), "1");
  EXPECT_EQ(Variant(false).toText(), "0");
  EXPECT_EQ(Variant(-42).toText(), "-42");
  EXPECT_EQ(Variant(18446744073709551615ULL).toText(), "18446744073709551615");
  EXPECT_EQ(Variant(1.5).toText(), "1.5");
  EXPECT_EQ(Variant(100.0).toText(), "100");
  for (double d : {0.1, 0.1 + 0.2, 1e300, -2.5e-8}) EXPECT_EQ(std::stod(Variant(d).toText()), d);  // shortest, exact
  EXPECT_EQ(Variant(ado::Decimal{"-0012.500"}).toText(), "-0012.500");                             // exactly as stored
  EXPECT_EQ(Variant(ado::Date{2026, 12, 6}).toText(), "2026-12-06");
  EXPECT_EQ(Variant(ado::Time{13, 45, 0}).toText(), "13:45:00");
  EXPECT_EQ(Variant(ado::Time{1, 2, 3, 500000}).toText(), "01:02:03.5");
  EXPECT_EQ(Variant(ado::Time{1, 2, 3, 1}).toText(), "01:02:03.000001");
  // MySQL TIME durations: hours past a day, and a sign.
  EXPECT_EQ(Variant(ado::Time{838, 59, 59, 0, true}).toText(), "-838:59:59");
  EXPECT_EQ(Variant(ado::Time{0, 0, 1, 500000, true}).toText(), "-00:00:01.5");
  EXPECT_NE(Variant(ado::Time{1, 0, 0, 0, true}), Variant(ado::Time{1, 0, 0}));
  EXPECT_EQ(Variant(ado::DateTime{{2026, 12, 6}, {13, 45, 0}}).toText(), "2026-12-06 13:45:00");
  EXPECT_EQ(Variant(ado::Bytes{'a', 0, 'b'}).toText(), std::string("a\0b", 3));
}
