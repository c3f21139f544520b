// The edges of vri-batch: its arguments, its output lines and the paths typed
// on its command line.
#include <string>
#include <vector>

#include "cli/batch.h"
#include "platform/platform.h"
#include "platform/trouble.h"

int ReadArguments(int argc, char** argv, std::vector<std::string>& args, int& bad_index,
                  std::string& bad_utf8) {
  args.clear();
  bad_index = 0;
  bad_utf8.clear();
  std::vector<PlatArgument> words;
  PlatCommandLine(argc, argv, words);
  for (std::size_t k = 0; k < words.size(); ++k) {
    std::string text = words[k].text;
    int ok = words[k].raw ? ArgumentToCp1252(words[k].text, text) : words[k].cp1252;
    if (!ok && !bad_index) {
      bad_index = (int)k + 1;
      bad_utf8 = words[k].utf8;
    }
    args.push_back(text);
  }
  return bad_index ? 0 : 1;
}

void PrintOut(const std::string& cp1252) { PlatWriteText(0, Cp1252ToUtf8(cp1252) + "\n"); }
void PrintErr(const std::string& cp1252) { PlatWriteText(1, Cp1252ToUtf8(cp1252) + "\n"); }
void PrintErrUtf8(const std::string& utf8) { PlatWriteText(1, utf8 + "\n"); }

std::string TypedPath(const std::string& path) { return PlatTypedPath(path); }

std::string ShownPath(const std::string& path) { return PlatUnmarkedPath(path); }
