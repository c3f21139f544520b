#include "platform/message_sink.h"

#include <utility>

namespace {

// The innermost sink alive: show_message is a plain function pointer, so the
// sink it reaches is found here.
MessageSink* g_innermost = nullptr;

}  // namespace

const char* IconName(PlatIcon icon) {
  switch (icon) {
    case PlatIcon::kError: return "error";
    case PlatIcon::kWarning: return "warning";
    case PlatIcon::kInformation: return "information";
  }
  return "error";
}

const char* IconPrefix(PlatIcon icon) {
  switch (icon) {
    case PlatIcon::kError: return "erro";
    case PlatIcon::kWarning: return "aviso";
    case PlatIcon::kInformation: return "informação";
  }
  return "erro";
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
