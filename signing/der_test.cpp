#include "signing/der.h"

#include <gtest/gtest.h>

#include "tests/support/test_bytes.h"

namespace lw {
namespace {

TEST(DaysBeforeTest, CrossesMonthsYearsAndLeapDays) {
  const struct {
    UtcTime from;
    int days;
    UtcTime to;
  } cases[] = {
      {UtcTime{2024, 3, 1, 13, 46, 19}, 1, UtcTime{2024, 2, 29, 13, 46, 19}},
      {UtcTime{2023, 3, 1}, 1, UtcTime{2023, 2, 28}},
      {UtcTime{2000, 3, 1}, 1, UtcTime{2000, 2, 29}},
      {UtcTime{1900, 3, 1}, 1, UtcTime{1900, 2, 28}},
      {UtcTime{2024, 12, 31}, -1, UtcTime{2025, 1, 1}},
      {UtcTime{2026, 12, 9}, 3650, UtcTime{2016, 12, 11}},
      {UtcTime{1601, 1, 1}, -3000000, UtcTime{9814, 9, 22}},
  };
  for (const auto& c : cases) {
    const UtcTime result = daysBefore(c.from, c.days);
    EXPECT_TRUE(sameTime(result, c.to)) << c.from.year << " less " << c.days;
  }
}

TEST(DerTest, WritersGiveKnownEncodings) {
  using namespace der;
  const struct {
    Bytes encoding;
    const char* hex;
  } cases[] = {
      {objectId("1.2.840.113549.1.7.2"), "06 09 2a 86 48 86 f7 0d 01 07 02"},
      {objectId("2.999.3"), "06 03 88 37 03"},
      {unsignedInteger(Bytes()), "02 01 00"},
      {unsignedInteger(hexBytes("00 00 7f")), "02 01 7f"},
      {unsignedInteger(hexBytes("00 80 01")), "02 03 00 80 01"},
      {integer(128), "02 02 00 80"},
      {integer(-128), "02 01 80"},
      {integer(-129), "02 02 ff 7f"},
      {integer(INT64_MIN), "02 08 80 00 00 00 00 00 00 00"},
      {boolean(true), "01 01 ff"},
      {null(), "05 00"},
      {bitString(hexBytes("01 02")), "03 03 00 01 02"},
      {bmpString("Ab"), "1e 04 00 41 00 62"},
      {utf8String("A"), "0c 01 41"},
      {sequence({null(), integer(1)}), "30 05 05 00 02 01 01"},
      {setOf({octetString(hexBytes("01 02")), integer(5), octetString(hexBytes("01"))}),
       "31 0a 02 01 05 04 01 01 04 02 01 02"},
      {time(UtcTime{2049, 12, 31, 23, 59, 59}), "17 0d 34 39 31 32 33 31 32 33 35 39 35 39 5a"},
      {time(UtcTime{1950, 1, 2, 3, 4, 5}), "17 0d 35 30 30 31 30 32 30 33 30 34 30 35 5a"},
      {time(UtcTime{2050, 1, 1}), "18 0f 32 30 35 30 30 31 30 31 30 30 30 30 30 30 5a"},
      {time(UtcTime{1949, 12, 31}), "18 0f 31 39 34 39 31 32 33 31 30 30 30 30 30 30 5a"},
      {explicitTag(0, integer(2)), "a0 03 02 01 02"},
      {implicitConstructed(1, sequence({null()})), "a1 02 05 00"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(hexOf(cases[i].encoding), hexOf(hexBytes(cases[i].hex))) << "case " << i;
  }
  const struct {
    size_t length;
    const char* head;
  } lengths[] = {
      {127, "04 7f"}, {128, "04 81 80"}, {256, "04 82 01 00"}, {65536, "04 83 01 00 00"}};
  for (const auto& l : lengths) {
    const Bytes head = hexBytes(l.head);
    const Bytes encoding = encode(OctetString, Bytes(l.length, 0));
    ASSERT_EQ(encoding.size(), head.size() + l.length);
    EXPECT_EQ(hexOf(Bytes(encoding.begin(), encoding.begin() + head.size())), hexOf(head));
  }
}

TEST(DerTest, ReaderTakesDerAndRefusesTheRest) {
  using namespace der;
  const Bytes nested = hexBytes("30 06 02 01 05 04 01 aa 05 00");
  Reader reader(nested);
  Element outer, number, octets;
  ASSERT_TRUE(reader.expect(Sequence, &outer));
  Reader inner(outer);
  EXPECT_FALSE(inner.expect(OctetString, &octets));  // another tag stays unread
  ASSERT_TRUE(inner.expect(Integer, &number));
  ASSERT_TRUE(inner.expect(OctetString, &octets));
  EXPECT_TRUE(inner.atEnd() && inner.ok());
  EXPECT_EQ(hexOf(integerMagnitude(number)), "05");
  EXPECT_EQ(hexOf(octets.encoding()), "0401aa");
  EXPECT_EQ(outer.size, 8u);
  ASSERT_TRUE(reader.next(&outer));
  EXPECT_FALSE(reader.next(&outer));
  EXPECT_TRUE(reader.ok());

  for (const char* bad : {"30 80 00 00", "04 81 05 00 00 00 00 00", "04 82 00 80", "04 05 01",
                          "1f 01 00", "04 82 01", "04", "04 89 01 00 00 00 00 00 00 00 00"}) {
    const Bytes data = hexBytes(bad);
    Reader r(data);
    Element e;
    EXPECT_FALSE(r.next(&e)) << bad;
    EXPECT_FALSE(r.ok()) << bad;
    EXPECT_FALSE(r.next(&e)) << bad;
  }
}

TEST(DerTest, ReadsObjectIdsIntegersAndTimes) {
  using namespace der;
  auto first = [](const Bytes& data) {
    Element e;
    Reader(data).next(&e);
    return e;
  };
  const Bytes oid = objectId("1.3.6.1.5.5.7.3.3");
  EXPECT_EQ(objectIdText(first(oid)), "1.3.6.1.5.5.7.3.3");
  EXPECT_EQ(objectIdText(first(hexBytes("06 03 88 37 03"))), "2.999.3");
  for (const char* bad : {"06 02 2a 86", "06 02 80 01", "06 00", "04 01 2a"}) {
    EXPECT_EQ(objectIdText(first(hexBytes(bad))), "") << bad;
  }
  EXPECT_EQ(hexOf(integerMagnitude(first(hexBytes("02 03 00 80 01")))), "8001");
  EXPECT_EQ(hexOf(integerMagnitude(first(hexBytes("02 01 80")))), "");  // negative

  for (const UtcTime& t : {UtcTime{2049, 12, 31, 23, 59, 59}, UtcTime{2050, 1, 1},
                           UtcTime{1601, 1, 1}, UtcTime{2024, 2, 29, 1, 2, 3}}) {
    UtcTime read;
    ASSERT_TRUE(readTime(first(time(t)), &read)) << t.year;
    EXPECT_TRUE(sameTime(read, t)) << t.year;
  }
  for (const char* bad : {"230229000000Z", "240230000000Z", "241301000000Z", "240101240000Z",
                          "240101000060Z", "2401010000000", "24010100000Z", "24o101000000Z"}) {
    UtcTime read;
    EXPECT_FALSE(readTime(first(encode(UtcTimeTag, bytesOf(bad))), &read)) << bad;
  }
}

}  // namespace
}  // namespace lw
