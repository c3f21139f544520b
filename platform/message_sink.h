// Where the messages of the platform in force go when no one is there to see
// them: vri-batch prints and logs every message box through a sink, and the
// test recorders are sinks. Portable.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

// One message as the seam was asked to show it.
struct PlatMessage {
  PlatIcon icon;
  std::string caption;
  std::string text;
  std::string detail = {};  // not shown in the box; vri-batch prints it
  // What the user sees: icon, caption and text (the detail is not compared).
  bool operator==(const PlatMessage& o) const {
    return icon == o.icon && caption == o.caption && text == o.text;
  }
};

// "error", "warning" or "information".
const char* IconName(PlatIcon icon);
// The same in Portuguese, as vri-batch and the reports print a message:
// "erro", "aviso" or "informação" (Windows-1252).
const char* IconPrefix(PlatIcon icon);
// A message as one line of text: "<prefix> [<caption>] <text>", as vri-batch
// prints it and the Sintegra findings report lists it.
std::string MessageLine(PlatIcon icon, const std::string& caption, const std::string& text);

// Routes every message of the platform in force to sink instead of the
// screen while the guard lives. Guards nest: only the innermost sink gets a
// message (the outer ones see none of them), and when it ends the sink and
// the platform in force before it come back.
class MessageSink {
 public:
  explicit MessageSink(std::function<void(const PlatMessage&)> sink);
  ~MessageSink();
  MessageSink(const MessageSink&) = delete;
  MessageSink& operator=(const MessageSink&) = delete;

 private:
  static void Show(PlatWindow owner, const std::string& text, const std::string& caption,
                   PlatIcon icon, const std::string& detail);
  std::function<void(const PlatMessage&)> sink_;
  MessageSink* outer_;
  PlatformOps saved_;
};
