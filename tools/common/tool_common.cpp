#include "common/tool_common.h"

#include <cstdio>
#include <memory>

#include "platform/log.h"
#include "platform/message_sink.h"
#include "platform/text_encoding.h"

#ifndef TESSERA_VERSION
#define TESSERA_VERSION "0"
#endif

namespace tessera::tools {

int Fail(const std::string& program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
  return 1;
}

int UsageError(const std::string& program, const std::string& usage, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%s", program.c_str(), message.c_str(), usage.c_str());
  if (!usage.empty() && usage.back() != '\n') std::fputc('\n', stderr);
  return 2;
}

int HelpOrVersion(const std::vector<std::string>& args, const std::string& program,
                  std::string_view help) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      std::fwrite(help.data(), 1, help.size(), stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("%s (tessera) %s\n", program.c_str(), Version());
      return 0;
    }
  }
  return -1;
}

const char* Version() { return TESSERA_VERSION; }

std::string PlainMessage(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  auto trim = [&] {
    while (!s.empty() && (s.back() == ' ' || s.back() == ',')) s.pop_back();
  };
  trim();
  // "... <source>.cpp <line>" at the end: the source file follows a space
  // or a comma.
  size_t digits = s.size();
  while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9') --digits;
  if (digits == s.size() || digits == 0 || s[digits - 1] != ' ') return s;
  const size_t name_end = digits - 1;
  size_t name_start = s.find_last_of(" ,", name_end - 1);
  name_start = name_start == std::string::npos ? 0 : name_start + 1;
  const std::string name = s.substr(name_start, name_end - name_start);
  auto ends = [&](const char* suffix) {
    const std::string x(suffix);
    return name.size() > x.size() && name.compare(name.size() - x.size(), x.size(), x) == 0;
  };
  if (!ends(".cpp") && !ends(".h")) return s;
  s.erase(name_start);
  trim();
  return s;
}

namespace {

class ToolMessageSink : public MessageSink {
 public:
  explicit ToolMessageSink(std::string program) : program_(std::move(program)) {}
  void Show(std::string_view, std::string_view text_gbk, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\n", program_.c_str(), PlainMessage(GbkToUtf8(text_gbk)).c_str());
  }

 private:
  std::string program_;
};

}  // namespace

void UseToolMessages(const std::string& program) {
  SetMessageSink(std::make_unique<ToolMessageSink>(program));
  SetLogWriter([program](LogLevel, std::string_view line) {
    std::string_view rest = line;
    if (rest.substr(0, 9) == "tessera: ") rest.remove_prefix(9);
    std::fprintf(stderr, "%s: %s\n", program.c_str(), GbkToUtf8(rest).c_str());
  });
}

}  // namespace tessera::tools
