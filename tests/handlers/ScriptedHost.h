// A Host without a window: "controls" are a second record, file dialogs are
// answered from a script, and every call is written to a log, so a test
// checks the exact order of reads, shows, messages and captions.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "handlers/Host.h"

namespace verdo::testing {

class ScriptedHost : public Host {
 public:
  MetaTagForm Record;  // what the handler works on
  std::string Status;
  MetaTagForm Controls;  // what the user sees and has typed
  std::string ControlStatus;
  std::deque<std::optional<ChosenFile>> FileAnswers;  // next ChooseFile answers; empty: cancel
  std::vector<std::string> Log;
  HeadLossAnswer LossAnswer = HeadLossAnswer::Cancel;  // the answer to Export's question

  MetaTagForm& Form() override { return Record; }
  std::string& StatusText() override { return Status; }

  bool ReadForm() override {
    Log.push_back("ReadForm");
    Record = Controls;
    Status = ControlStatus;
    return true;
  }

  void ShowForm() override {
    Log.push_back("ShowForm [" + Status + "]");
    Controls = Record;
    ControlStatus = Status;
  }

  void ShowKeywords() override {
    Log.push_back("ShowKeywords");
    Controls.Keywords = Record.Keywords;
    Controls.ExtraKeywords = Record.ExtraKeywords;
  }

  void ShowMessage(const std::string& text, const std::string& caption) override {
    Log.push_back("ShowMessage [" + caption + "] " + text);
  }

  std::optional<ChosenFile> ChooseFile(FileDialogMode mode, const std::string& initialName,
                                       const std::string& defaultExtensionText) override {
    Log.push_back(std::string("ChooseFile ") + (mode == FileDialogMode::Open ? "open " : "save ") + initialName + " " +
                  defaultExtensionText);
    if (FileAnswers.empty()) return std::nullopt;
    auto answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
  }

  void SetCaption(const std::string& text) override { Log.push_back("SetCaption " + text); }

  HeadLossAnswer AskHeadLoss(const std::string& text) override {
    Log.push_back("AskHeadLoss " + text);
    return LossAnswer;
  }
};

}  // namespace verdo::testing
