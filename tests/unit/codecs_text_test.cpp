// Fixed-width text fields and digit fields.
#include <gtest/gtest.h>

#include <string>

#include "codecs/text.h"

namespace {

struct TextCase {
  const char* name;
  std::string input;
  int width;
  std::string want;
};

TEST(CodecsText, PadToWidthCutsOrFillsToExactWidth) {
  const TextCase cases[] = {
      {"shorter text is blank-filled", "abc", 5, "abc  "},
      {"longer text is cut", "abcdef", 4, "abcd"},
      {"empty text becomes blanks", "", 3, "   "},
      {"width 0 empties", "abc", 0, ""},
      {"negative width empties", "abc", -4, ""},
      {"exact width unchanged", "abcd", 4, "abcd"},
      {"accented bytes count once", "ação", 5, "ação "},
      {"long text cut", std::string(5000, 'x'), 14, std::string(14, 'x')},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(PadToWidth(text, c.width), c.want) << c.name;
    EXPECT_EQ(text, c.want) << c.name << " (in place)";
  }
}

TEST(CodecsText, TrimRightRemovesOnlyTrailingBlanks) {
  const TextCase cases[] = {
      {"two trailing blanks", "ab  ", 0, "ab"},
      {"blanks only", "   ", 0, ""},
      {"trailing tab stays", "ab\t", 0, "ab\t"},
      {"blank before tab stays", "ab \t", 0, "ab \t"},
      {"leading blanks stay", "  ab", 0, "  ab"},
      {"empty", "", 0, ""},
      {"no-break space 0xA0 is no blank", "ab\xA0", 0, "ab\xA0"},
      {"thousands of blanks", "x" + std::string(4000, ' '), 0, "x"},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(TrimRight(text), c.want) << c.name;
  }
}

TEST(CodecsText, BlankCtrlCharsBlanksBytes1To31Only) {
  const TextCase cases[] = {
      {"tab and line ends", "a\tb\r\n", 0, "a b  "},
      {"accented letters and 127 stay", "çã\x7F", 0, "çã\x7F"},
      {"bytes 1 and 31", "\x01x\x1F", 0, " x "},
      {"high bytes stay", "\x80\xFF\x81", 0, "\x80\xFF\x81"},
      {"blank and printable stay", " ~A", 0, " ~A"},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(BlankCtrlChars(text), c.want) << c.name;
  }
}

TEST(CodecsText, CutAtKeepsAtMostNCharacters) {
  const TextCase cases[] = {
      {"cut inside", "1.234.567,89", 5, "1.234"},
      {"shorter text unchanged", "1.234.567,89", 20, "1.234.567,89"},
      {"cut at 0", "abc", 0, ""},
      {"negative position", "abc", -1, ""},
      {"exact length unchanged", "abc", 3, "abc"},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(CutAt(text, c.width), c.want) << c.name;
  }
}

struct DigitCase {
  const char* name;
  std::string input;
  int width;
  DigitAlign align;
  std::string want;
};

TEST(CodecsText, DigitFieldKeepsDigitsAligned) {
  const DigitCase cases[] = {
      {"postal code", "12345-678", 8, DigitsLeft, "12345678"},
      {"fewer digits are blank-padded", "12-3", 8, DigitsLeft, "123     "},
      {"empty gives blanks", "", 8, DigitsLeft, "        "},
      {"ninth digit dropped", "123456789", 8, DigitsLeft, "12345678"},
      {"right-aligned", "12-3", 6, DigitsRight, "   123"},
      {"letters and accented letters dropped", "Rua São 12", 4, DigitsLeft, "12  "},
      {"superscript and high bytes are no digits", "\xB2\xB3\xB9" "1", 3, DigitsLeft, "1  "},
      {"width 0", "123", 0, DigitsLeft, ""},
      {"negative width", "123", -3, DigitsRight, ""},
      {"right-aligned cut keeps the first digits", "123456789", 4, DigitsRight, "1234"},
      {"width above 50 is 50", std::string(100, '7'), 80, DigitsLeft, std::string(50, '7')},
      {"right-aligned in 50 above 50", "1", 80, DigitsRight, std::string(49, ' ') + "1"},
  };
  for (const DigitCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(DigitField(text, c.width, c.align), c.want) << c.name;
  }
}

TEST(CodecsText, ZeroFillDigitsGivesWidthDigits) {
  const TextCase cases[] = {
      {"separators dropped", "12.345-6", 8, "00123456"},
      {"short value zero-filled", "12-3", 6, "000123"},
      {"no digits gives zeros", "abc", 5, "00000"},
      {"empty gives zeros", "", 3, "000"},
      {"too many digits keeps the first", "987654", 4, "9876"},
      {"inner zeros kept", "1 0 2", 5, "00102"},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(ZeroFillDigits(text, c.width), c.want) << c.name;
  }
}

TEST(CodecsText, Num3Text) {
  struct Case {
    const char* name;
    int number;
    std::string want;
  } cases[] = {
      {"zero gives empty", 0, ""},
      {"negative gives empty", -5, ""},
      {"one digit zero-filled", 7, "007"},
      {"three digits", 123, "123"},
      {"four digits cut to three", 4567, "456"},
  };
  for (const Case& c : cases) {
    std::string buffer = "old";
    EXPECT_EQ(Num3Text(buffer, c.number), c.want) << c.name;
  }
  std::string buffer = "xyz";
  EXPECT_EQ(Num3Text(buffer), "") << "no operator number is ever set";
}

TEST(CodecsText, DigitsOnlyItemReadsTwentyCharacters) {
  const TextCase cases[] = {
      {"separators dropped", "5.102-x", 0, "5102"},
      {"no digits", "abc", 0, ""},
      {"only the first 20 characters", std::string(19, 'a') + "12", 0, "1"},
      {"20 digits kept", std::string(25, '3'), 0, std::string(20, '3')},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(DigitsOnlyItem(text), c.want) << c.name;
  }
}

TEST(CodecsText, CallsNest) {
  std::string text = "12-34\t";
  EXPECT_EQ(PadToWidth(CutAt(BlankCtrlChars(text), 4), 6), "12-3  ");
}

TEST(CodecsText, EqualNoCaseAsciiSetsOnlyAsciiCaseAside) {
  struct Case {
    const char* name;
    std::string a, b;
    bool want;
  };
  const Case cases[] = {
      {"same text", "5102", "5102", true},
      {"ascii case aside", "VRI", "vri", true},
      {"mixed case", "C:\\Kmar\\Dev", "c:\\KMAR\\dev", true},
      {"accented letters must match", "AÇÃO", "açÃo", false},
      {"only an accented letter's case differs", "Ação", "AÇão", false},
      {"other length", "abc", "abcd", false},
      {"both empty", "", "", true},
      {"bytes next to the letters", "@[", "`{", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualNoCaseAscii(c.a, c.b), c.want) << c.name;
    std::string lower = c.a;
    std::string other = c.b;
    EXPECT_EQ(LowerAsciiText(lower) == LowerAsciiText(other), c.want) << c.name << " (LowerAsciiText)";
  }
}

TEST(CodecsText, AppendKeyPartCutsAndPadsToTenCharacters) {
  struct Case {
    const char* name;
    std::string key, part, want;
  };
  const Case cases[] = {
      {"short part is blank-padded", "", "00001", "00001     "},
      {"long part is cut", "", "ABCDEFGHIJKLM", "ABCDEFGHIJ"},
      {"empty part is ten blanks", "", "", "          "},
      {"appended after the key", "00001     ", "54101", "00001     54101     "},
      {"exactly ten", "x", "0123456789", "x0123456789"},
  };
  for (const Case& c : cases) {
    std::string key = c.key;
    EXPECT_EQ(AppendKeyPart(key, c.part), c.want) << c.name;
    EXPECT_EQ(key, c.want) << c.name << " (in place)";
  }
}

}  // namespace
