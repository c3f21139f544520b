// Fixed-width text fields and digit fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/text.h"

namespace {

struct TextCase {
  const char* name;
  std::string input;
  int width;
  std::string want;
};

// An operation that normalises a text in place and returns it, called with
// the width of the row (which the operations without one do not take).
struct TextOperation {
  const char* name;
  std::string& (*apply)(std::string& text, int width);
  std::vector<TextCase> cases;
};
template <std::string& (*operation)(std::string&)>
std::string& NoWidth(std::string& text, int) {
  return operation(text);
}
template <DigitAlign align>
std::string& Digits(std::string& text, int width) {
  return DigitField(text, width, align);
}

TEST(CodecsText, InPlaceOperationsGiveTheirTextAndReturnIt) {
  const TextOperation operations[] = {
      {"PadToWidth", PadToWidth, {  // cuts or fills to the exact width
         {"shorter text is blank-filled", "abc", 5, "abc  "},
         {"longer text is cut", "abcdef", 4, "abcd"},
         {"empty text becomes blanks", "", 3, "   "},
         {"width 0 empties", "abc", 0, ""},
         {"negative width empties", "abc", -4, ""},
         {"exact width unchanged", "abcd", 4, "abcd"},
         {"accented bytes count once", "ação", 5, "ação "},
         {"long text cut", std::string(5000, 'x'), 14, std::string(14, 'x')},
      }},
      {"TrimRight", NoWidth<TrimRight>, {  // removes only trailing blanks
         {"two trailing blanks", "ab  ", 0, "ab"},
         {"blanks only", "   ", 0, ""},
         {"trailing tab stays", "ab\t", 0, "ab\t"},
         {"blank before tab stays", "ab \t", 0, "ab \t"},
         {"leading blanks stay", "  ab", 0, "  ab"},
         {"empty", "", 0, ""},
         {"no-break space 0xA0 is no blank", "ab\xA0", 0, "ab\xA0"},
         {"thousands of blanks", "x" + std::string(4000, ' '), 0, "x"},
      }},
      {"BlankCtrlChars", NoWidth<BlankCtrlChars>, {  // blanks bytes 1 to 31 only
         {"tab and line ends", "a\tb\r\n", 0, "a b  "},
         {"accented letters and 127 stay", "çã\x7F", 0, "çã\x7F"},
         {"bytes 1 and 31", "\x01x\x1F", 0, " x "},
         {"high bytes stay", "\x80\xFF\x81", 0, "\x80\xFF\x81"},
         {"blank and printable stay", " ~A", 0, " ~A"},
      }},
      {"CutAt", CutAt, {  // keeps at most n characters
         {"cut inside", "1.234.567,89", 5, "1.234"},
         {"shorter text unchanged", "1.234.567,89", 20, "1.234.567,89"},
         {"cut at 0", "abc", 0, ""},
         {"negative position", "abc", -1, ""},
         {"exact length unchanged", "abc", 3, "abc"},
      }},
      {"DigitField left", Digits<DigitsLeft>, {  // keeps the digits, aligned
         {"postal code", "12345-678", 8, "12345678"},
         {"fewer digits are blank-padded", "12-3", 8, "123     "},
         {"empty gives blanks", "", 8, "        "},
         {"ninth digit dropped", "123456789", 8, "12345678"},
         {"letters and accented letters dropped", "Rua São 12", 4, "12  "},
         {"superscript and high bytes are no digits", "\xB2\xB3\xB9" "1", 3, "1  "},
         {"width 0", "123", 0, ""},
         {"width above 50 is 50", std::string(100, '7'), 80, std::string(50, '7')},
      }},
      {"DigitField right", Digits<DigitsRight>, {
         {"right-aligned", "12-3", 6, "   123"},
         {"negative width", "123", -3, ""},
         {"right-aligned cut keeps the first digits", "123456789", 4, "1234"},
         {"right-aligned in 50 above 50", "1", 80, std::string(49, ' ') + "1"},
      }},
      {"ZeroFillDigits", ZeroFillDigits, {  // gives width digits
         {"separators dropped", "12.345-6", 8, "00123456"},
         {"short value zero-filled", "12-3", 6, "000123"},
         {"no digits gives zeros", "abc", 5, "00000"},
         {"empty gives zeros", "", 3, "000"},
         {"too many digits keeps the first", "987654", 4, "9876"},
         {"inner zeros kept", "1 0 2", 5, "00102"},
      }},
      {"DigitsOnlyItem", NoWidth<DigitsOnlyItem>, {  // reads the first twenty characters
         {"separators dropped", "5.102-x", 0, "5102"},
         {"no digits", "abc", 0, ""},
         {"only the first 20 characters", std::string(19, 'a') + "12", 0, "1"},
         {"20 digits kept", std::string(25, '3'), 0, std::string(20, '3')},
      }},
  };
  for (const TextOperation& op : operations) {
    for (const TextCase& c : op.cases) {
      std::string text = c.input;
      EXPECT_EQ(op.apply(text, c.width), c.want) << op.name << ": " << c.name;
      EXPECT_EQ(text, c.want) << op.name << ": " << c.name << " (in place)";
    }
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
