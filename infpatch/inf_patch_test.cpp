// Byte-exact outputs of the engine for a small table: "[A]" (a1, a2),
// "[Strings]" (s1, s2) and "[P]", which starts present and holds one line
// "p\" that is only ever written as a prefix.
#include "infpatch/inf_patch.h"

#include <cstring>
#include <string>

#include "infpatch/inf_engine.h"
#include "tests/support/sim_test.h"

namespace lw {
namespace {

struct SmallTable {
  InfLine lines[3][2] = {};
  InfSection rows[4] = {};

  explicit SmallTable(bool prefixP = false) {
    setLine(0, 0, "a1");
    setLine(0, 1, "a2");
    setLine(1, 0, "s1");
    setLine(1, 1, "s2");
    setLine(2, 0, "p\\");
    lines[2][0].written = true;
    lines[2][0].prefix = prefixP;
    rows[0] = {"[A]", -1, false, 0, lines[0], 2};
    rows[1] = {"[Strings]", -1, false, StringsSection, lines[1], 2};
    rows[2] = {"[P]", -1, true, 3, lines[2], 1};
    rows[3] = {nullptr, -1, false, NoSection, nullptr, 0};
  }
  void setLine(int row, int i, const char* text) { std::strcpy(lines[row][i].text, text); }
};

class InfPatchTest : public SimTest {
 protected:
  std::string patch(const std::string& input, InfSection* table,
                    PatchResult expected = PatchResult::PatchOk) {
    sim.putFile(kIn, input);
    EXPECT_EQ(patchInfFile(table, kOut, kIn), expected);
    return sim.fileText(kOut);
  }
  std::string patch(const std::string& input, bool prefixP = false) {
    SmallTable t(prefixP);
    return patch(input, t.rows);
  }

  static constexpr const char* kIn = "C:\\work\\in.inf";
  static constexpr const char* kOut = "C:\\work\\out.inf";
};

// Every appended row: an empty line, its header, its lines and one empty
// line; "[P]" has no header of its own but owes the pending empty line.
const char kAppendedAll[] = "\r\n[A]\r\na1\r\na2\r\n\r\n\r\n[Strings]\r\ns1\r\ns2\r\n\r\n\r\n";

TEST_F(InfPatchTest, EmptyInputHoldsOnlyTheAppendedSections) {
  EXPECT_EQ(patch(""), kAppendedAll);
  // Under the prefix rule "[P]" ends the file with its text and no line end.
  EXPECT_EQ(patch("", true), "\r\n[A]\r\na1\r\na2\r\n\r\n\r\n[Strings]\r\ns1\r\ns2\r\n\r\np\\");
}

TEST_F(InfPatchTest, MissingLinesFollowTheirHeaderAndStringsGetABlankLine) {
  EXPECT_EQ(patch("[Strings]\nx=1\n[A]\nz\n"),
            "[Strings]\r\ns1\r\ns2\r\n\r\nx=1\r\n[A]\r\na1\r\na2\r\nz\r\n");
  // Only the missing ones, trailing white space ignored, leading kept.
  EXPECT_EQ(patch("[Strings]\ns2 \t\n[A]\n a1\na2\r\n"),
            "[Strings]\r\ns1\r\n\r\ns2 \t\r\n[A]\r\na1\r\n a1\r\na2\r\n");
  // Nothing missing in "[Strings]": no blank line either.
  EXPECT_EQ(patch("[A]\na1\na2\n[Strings]\ns1\ns2\n"),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
}

TEST_F(InfPatchTest, OnlyAnExactHeaderIsTheTablesSection) {
  // Letter case, leading blanks and a comment after "]" make other sections
  // (the last two are not headers at all), so "[A]" is appended.
  std::string input = "[a]\n [A]\n[A] ; models\na1\n[Strings]\ns1\ns2\n";
  // "[P]" follows with the empty line still owed.
  EXPECT_EQ(patch(input),
            "[a]\r\n [A]\r\n[A] ; models\r\na1\r\n[Strings]\r\ns1\r\ns2\r\n"
            "\r\n[A]\r\na1\r\na2\r\n\r\n\r\n");
}

TEST_F(InfPatchTest, ALineUnderAnotherSectionDoesNotCount) {
  EXPECT_EQ(patch("[Strings]\na1\ns1\ns2\n[A]\na2\n"),
            "[Strings]\r\na1\r\ns1\r\ns2\r\n[A]\r\na1\r\na2\r\n");
}

TEST_F(InfPatchTest, ARepeatedHeaderGetsItsLinesAfterTheLastOccurrence) {
  EXPECT_EQ(patch("[A]\na2\n[Strings]\ns1\ns2\n[A]\nq\n"),
            "[A]\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n[A]\r\na1\r\nq\r\n");
}

TEST_F(InfPatchTest, AHeaderOnTheLastLineGetsItsLinesBeforeTheAppendedSections) {
  EXPECT_EQ(patch("[Strings]\ns1\ns2\n[A]\n"), "[Strings]\r\ns1\r\ns2\r\n[A]\r\na1\r\na2\r\n");
  // Without a line end, the inserted lines still start on a line of their own.
  EXPECT_EQ(patch("[Strings]\ns1\ns2\n[A]"), "[Strings]\r\ns1\r\ns2\r\n[A]\r\na1\r\na2\r\n");
  EXPECT_EQ(patch("[A]\na1\na2\n[Strings]\ns1\nlast"),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns2\r\n\r\ns1\r\nlast");
  // An appended section opens with its own line end: no blank line before it.
  EXPECT_EQ(patch("x=1"), std::string("x=1") + kAppendedAll);
  // A prefix line or a row without a header would continue the last line.
  EXPECT_EQ(patch("[A]\na1\na2\n[Strings]\ns1\ns2", true),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\np\\");
  SmallTable headerless;
  headerless.lines[2][0].written = false;
  EXPECT_EQ(patch("[A]\na1\na2\n[Strings]\ns1\ns2", headerless.rows),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\np\\\r\n");
  // Nothing to add: the output is the input, byte for byte.
  EXPECT_EQ(patch("[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2"),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2");
}

TEST_F(InfPatchTest, PrefixLinesJoinTheNextLineButNeverAHeader) {
  EXPECT_EQ(patch("[P]\nfile.sys=1\n[A]\na1\na2\n[Strings]\ns1\ns2\n", true),
            "[P]\r\np\\file.sys=1\r\n[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
  // An empty section: the prefix stands on its own line before the header.
  EXPECT_EQ(patch("[P]\n[A]\na1\na2\n[Strings]\ns1\ns2\n", true),
            "[P]\r\np\\\r\n[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
  // Written again whenever its row is emitted, even if already present.
  EXPECT_EQ(patch("[P]\np\\\n[A]\na1\na2\n[Strings]\ns1\ns2\n", true),
            "[P]\r\np\\p\\\r\n[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
  // The last line: the prefix is the last text of the file.
  EXPECT_EQ(patch("[A]\na1\na2\n[Strings]\ns1\ns2\n[P]\n", true),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n[P]\r\np\\");
}

TEST_F(InfPatchTest, TextModeRulesOnEightBitInput) {
  // CR LF and LF both come out as CR LF; a lone CR stays; 0x1A ends input.
  EXPECT_EQ(patch("[A]\r\na1\ra2\r\n[Strings]\ns1\ns2\n\x1A[A]\nignored\n"),
            "[A]\r\na1\r\na2\r\na1\ra2\r\n[Strings]\r\ns1\r\ns2\r\n");
  // A NUL ends its line's text; the line still counts.
  static const char withNul[] = "[A]\na1\na2\n[Strings]\ns1\ns2\nab\0cd\nx\n";
  EXPECT_EQ(patch(std::string(withNul, sizeof withNul - 1)),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\nabx\r\n");
  // A file that starts EF BB BF and is longer than 3 bytes is 8-bit text:
  // its first line is not a header.
  EXPECT_EQ(patch("\xEF\xBB\xBF[A]\n[Strings]\ns1\ns2\n"),
            "\xEF\xBB\xBF[A]\r\n[Strings]\r\ns1\r\ns2\r\n\r\n[A]\r\na1\r\na2\r\n\r\n\r\n");
}

TEST_F(InfPatchTest, LongLinesAreReadInPiecesOf1023) {
  // The second piece of this line is "[A]\n", a header of its own.
  std::string x(1023, 'x');
  EXPECT_EQ(patch(x + "[A]\n[Strings]\ns1\ns2\n"),
            x + "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
  // A CR LF pair is one character and never splits, not at the piece
  // limit nor where the read buffer ends.
  std::string a(kInfReadBufferSize - 1, 'a');
  EXPECT_EQ(patch(a + "\r\n[A]\na1\na2\n[Strings]\ns1\ns2\n" + x + "\r\n"),
            a + "\r\n[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n" + x + "\r\n");
}

// UTF-16LE text, two bytes per character of the ASCII string.
std::string wide(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST_F(InfPatchTest, WideInputIsConvertedToTheAnsiCodePage) {
  // CR LF survives the read, so the LF written as CR LF makes CR CR LF.
  EXPECT_EQ(patch("\xFF\xFE" + wide("[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n")),
            "[A]\r\r\na1\r\r\na2\r\r\n[Strings]\r\r\ns1\r\r\ns2\r\r\n");
  // Units are little-endian whatever the mark says; an odd last byte is
  // never read. U+00E9 is 0xE9 in Windows-1252, U+0416 is missing.
  EXPECT_EQ(patch("\xFE\xFF" + wide("[A]\na1\na2\n[Strings]\ns1\ns2\nq=") +
                  std::string("\xE9\x00\x16\x04\x0A\x00X", 7)),
            "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\nq=\xE9?\r\n");
  // A four-byte mark: read with FF FE alone, "z" would follow a U+0000
  // and be lost.
  EXPECT_EQ(patch(std::string("\xFF\xFE\x00\x00", 4) + wide("z\n[A]\na1\na2\n[Strings]\ns1\ns2\n")),
            "z\r\n[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
  // Exactly EF BB BF: a wide file without lines.
  EXPECT_EQ(patch("\xEF\xBB\xBF"), kAppendedAll);
}

TEST_F(InfPatchTest, WideLinesAreReadInPiecesOf1023Units) {
  std::string y(1023, 'y');
  EXPECT_EQ(patch("\xFF\xFE" + wide(y + "[A]\n[Strings]\ns1\ns2\n")),
            y + "[A]\r\na1\r\na2\r\n[Strings]\r\ns1\r\ns2\r\n");
}

TEST_F(InfPatchTest, ByteOrderMarkProbe) {
  struct Case {
    std::string bytes;
    bool found;
    int length;
  } cases[] = {
      {"", false, 0},
      {"\xFF", false, 0},
      {"\xFF\xFE", true, 2},
      {"\xFE\xFF", true, 2},
      {"\xFF\xFE\x41", true, 2},
      {"\xEF\xBB\xBF", true, 3},
      {"\xEF\xBB\xBF\x41", false, 0},
      {std::string("\xFF\xFE\x00\x00", 4), true, 4},
      {std::string("\x00\x00\xFE\xFF", 4), true, 4},
      {std::string("\xFF\xFE\x00", 3), true, 2},
      {"[Version]", false, 0},
  };
  for (const Case& c : cases) {
    sim.putFile(kIn, c.bytes);
    ByteOrderMark mark = probeByteOrderMark(kIn);
    EXPECT_EQ(mark.found, c.found) << testing::PrintToString(c.bytes);
    if (c.found) {
      EXPECT_EQ(mark.length, c.length) << testing::PrintToString(c.bytes);
    }
  }
  EXPECT_FALSE(probeByteOrderMark("C:\\work\\missing.inf").found);
  EXPECT_FALSE(probeByteOrderMark("").found);
  EXPECT_FALSE(probeByteOrderMark(nullptr).found);
}

TEST_F(InfPatchTest, LineTests) {
  char line[] = "  [A] \t\r\n";
  trimLineEnd(line);
  EXPECT_STREQ(line, "  [A]");
  char blank[] = " \v\f";
  trimLineEnd(blank);
  EXPECT_STREQ(blank, "");
  char high[] = "x\xA0";  // no-break space is not C-locale white space
  trimLineEnd(high);
  EXPECT_STREQ(high, "x\xA0");
  EXPECT_TRUE(isSectionHeader("[]"));
  EXPECT_FALSE(isSectionHeader("["));
  EXPECT_FALSE(isSectionHeader("]"));
  EXPECT_FALSE(isSectionHeader(""));
  EXPECT_FALSE(isSectionHeader("[A] ;"));
}

TEST_F(InfPatchTest, MissingArgumentsTouchNothing) {
  SmallTable t;
  sim.putFile(kIn, "[A]\n");
  EXPECT_EQ(patchInfFile(nullptr, kOut, kIn), PatchResult::PatchBadArgs);
  EXPECT_EQ(patchInfFile(t.rows, nullptr, kIn), PatchResult::PatchBadArgs);
  EXPECT_EQ(patchInfFile(t.rows, kOut, nullptr), PatchResult::PatchBadArgs);
  EXPECT_FALSE(sim.fileExists(kOut));
  EXPECT_EQ(t.rows[0].insertAfterLine, -1);
  EXPECT_FALSE(t.rows[0].present);
}

TEST_F(InfPatchTest, InputThatCannotBeOpenedCreatesNoOutput) {
  SmallTable t;
  EXPECT_EQ(patchInfFile(t.rows, kOut, "C:\\work\\missing.inf"), PatchResult::PatchIoError);
  EXPECT_EQ(patchInfFile(t.rows, kOut, "C:\\work"), PatchResult::PatchIoError);
  EXPECT_FALSE(sim.fileExists(kOut));
  EXPECT_FALSE(t.rows[0].present);
}

TEST_F(InfPatchTest, OutputFailures) {
  std::string input = "[A]\na1\n";
  {
    // Not creatable: the survey stays in the table.
    SmallTable t;
    sim.putFile(kIn, input);
    EXPECT_EQ(patchInfFile(t.rows, "C:\\work\\no\\such\\dir\\out.inf", kIn),
              PatchResult::PatchIoError);
    EXPECT_EQ(t.rows[0].insertAfterLine, 1);
    EXPECT_TRUE(t.lines[0][0].written);
  }
  {
    sim.limitWrites(kOut, 7);
    SmallTable t;
    EXPECT_EQ(patch(input, t.rows, PatchResult::PatchIoError), "[A]\r\na2");
  }
  {
    // A failure while copying stops the copy: nothing is appended.
    sim.limitWrites(kOut, 10);
    SmallTable t;
    std::string big(kInfWriteBufferSize + 100, 'b');
    std::string out = patch(input + big + "\n", t.rows, PatchResult::PatchIoError);
    EXPECT_EQ(out, "[A]\r\na2\r\na");
    EXPECT_FALSE(t.rows[1].present);
  }
  {
    // Buffered data lost at close: never reported as complete.
    sim.limitWrites(kOut, SIZE_MAX);
    sim.failCloseOf(kOut);
    SmallTable t;
    EXPECT_EQ(patch(input, t.rows, PatchResult::PatchIoError).substr(0, 9), "[A]\r\na2\r\n");
  }
}

// The digest is of the file's bytes, across several flushes of the write
// buffer; a failed patch leaves the caller's digest alone.
TEST_F(InfPatchTest, DigestIsOfTheBytesOnDisk) {
  const std::string input = "[A]\n" + std::string(kInfWriteBufferSize + 100, 'b') + "\n";
  sim.putFile(kIn, input);
  SmallTable t;
  Sha256Digest written{};
  ASSERT_EQ(patchInfFile(t.rows, kOut, kIn, &written), PatchResult::PatchOk);
  const std::string bytes = sim.fileText(kOut);
  Sha256 onDisk;
  onDisk.update(bytes.data(), bytes.size());
  EXPECT_EQ(written, onDisk.finish());

  SmallTable again;
  Sha256Digest untouched{};
  sim.limitWrites(kOut, 10);
  EXPECT_EQ(patchInfFile(again.rows, kOut, kIn, &untouched), PatchResult::PatchIoError);
  EXPECT_EQ(untouched, Sha256Digest{});
}

TEST_F(InfPatchTest, NoBuffersMeansNoPatch) {
  SmallTable t;
  sim.putFile(kIn, "[A]\n");
  sim.failAllocation();
  EXPECT_EQ(patchInfFile(t.rows, kOut, kIn), PatchResult::PatchIoError);
  EXPECT_FALSE(sim.fileExists(kOut));
}

// Windows with a code page that takes no character at all.
class NoConversionPlatform : public SimPlatform {
 public:
  int wideToAnsi(const uint16_t*, int, char*, int) override { return 0; }
};

TEST(InfPatchConversionTest, AWideLineThatDoesNotConvertIsAReadError) {
  NoConversionPlatform sim;
  setPlatform(&sim);
  SmallTable t;
  sim.putFile("C:\\work\\in.inf", "\xFF\xFE" + wide("[A]\n"));
  EXPECT_EQ(patchInfFile(t.rows, "C:\\work\\out.inf", "C:\\work\\in.inf"),
            PatchResult::PatchReadError);
  EXPECT_FALSE(sim.fileExists("C:\\work\\out.inf"));
  setPlatform(nullptr);
}

}  // namespace
}  // namespace lw
