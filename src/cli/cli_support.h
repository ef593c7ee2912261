#pragma once
// Shared pieces of the command-line program: UTF-8 at the edges, code page 936 inside.
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace takeoff::cli {

// Bad command-line usage: exit status 2 with this message.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// An argument in UTF-8 as code page 936; a character the code page lacks is a usage error.
std::string ArgToGbk(std::string_view utf8, std::string_view what);

// A code page 936 text for the terminal: UTF-8, each CR shown as \r.
std::string ShowText(std::string_view gbk);

// A number argument (the whole text must be a number).
double ParseNumber(std::string_view text, std::string_view what);

// A host with no user: message boxes are recorded, never answered otherwise than OK.
class RecordingHost : public platform::Host {
public:
  platform::MsgAnswer MessageBox(const std::string& text, platform::MsgCaption, platform::MsgIcon,
                                 platform::MsgButtons buttons) override {
    Shown = text;
    ++Count;
    return buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::No : platform::MsgAnswer::Cancel;
  }
  void ClearClipboard() override {}

  std::string Shown;  // the latest message
  int Count = 0;
};

int RunEval(int argc, char** argv);  // takeoff-cli eval ...
int RunText(int argc, char** argv);  // takeoff-cli text ...
int RunTable(int argc, char** argv); // takeoff-cli table ...
int RunRecords(int argc, char** argv);  // takeoff-cli records ...
int RunExportJson(int argc, char** argv);  // takeoff-cli export-json FILE.mfz
int RunImportJson(int argc, char** argv);  // takeoff-cli import-json IN.json OUT.mfz
int RunSession(int argc, char** argv);     // takeoff-cli session [--program-folder DIR] [SCRIPT]

}  // namespace takeoff::cli
