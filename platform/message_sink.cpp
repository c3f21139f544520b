#include "platform/message_sink.h"

#include <utility>

namespace {

// The innermost sink alive: show_message is a plain function pointer, so the
// sink it reaches is found here.
MessageSink* g_innermost = nullptr;

}  // namespace

// Each icon's name in the JSON lines and its Portuguese prefix.
struct IconWords {
  PlatIcon icon;
  const char* name;
  const char* prefix;
};
constexpr IconWords kIconWords[] = {
    {PlatIcon::kError, "error", "erro"},
    {PlatIcon::kWarning, "warning", "aviso"},
    {PlatIcon::kInformation, "information", "informação"},
};

const IconWords& WordsOf(PlatIcon icon) {
  for (const IconWords& w : kIconWords)
    if (w.icon == icon) return w;
  return kIconWords[0];
}

const char* IconName(PlatIcon icon) { return WordsOf(icon).name; }
const char* IconPrefix(PlatIcon icon) { return WordsOf(icon).prefix; }

std::string MessageLine(PlatIcon icon, const std::string& caption, const std::string& text) {
  return std::string(IconPrefix(icon)) + " [" + caption + "] " + text;
}

void MessageSink::Show(PlatWindow, const std::string& text, const std::string& caption,
                       PlatIcon icon, const std::string& detail) {
  if (g_innermost && g_innermost->sink_)
    g_innermost->sink_(PlatMessage{icon, caption, text, detail});
}

MessageSink::MessageSink(std::function<void(const PlatMessage&)> sink)
    : sink_(std::move(sink)), outer_(g_innermost), saved_(Platform()) {
  g_innermost = this;
  PlatformOps ops = saved_;
  ops.show_message = Show;
  SetPlatform(ops);
}

MessageSink::~MessageSink() {
  g_innermost = outer_;
  SetPlatform(saved_);
}
