// A WorkingWindowFactory for tests: records every window operation in one
// event list, e.g. "create", "show", "is_active", "caption Working   1 / 2",
// "close" (the word "Working" in the language of the messages: Caption()).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/translation.h"
#include "core/work/progress.h"

namespace quorlix {

// The progress caption "Working   <progress>", "Working" as translated.
inline std::string Caption(std::string_view progress) {
  return std::string(Tr("Working")) + "   " + std::string(progress);
}

class RecordingWindows : public WorkingWindowFactory {
 public:
  std::unique_ptr<WorkingWindow> Create() override {
    events.push_back("create");
    return std::make_unique<Window>(*this);
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const std::string& e : events) {
      if (e.rfind("caption ", 0) == 0) captions.push_back(e.substr(8));
    }
    return captions;
  }

  std::vector<std::string> events;
  bool active = true;  // what IsActive answers

 private:
  class Window : public WorkingWindow {
   public:
    explicit Window(RecordingWindows& owner) : owner_(owner) {}
    void Show() override { owner_.events.push_back("show"); }
    bool IsActive() const override {
      owner_.events.push_back("is_active");
      return owner_.active;
    }
    void SetCaption(std::string_view caption) override {
      owner_.events.push_back("caption " + std::string(caption));
    }
    void Close() override { owner_.events.push_back("close"); }

   private:
    RecordingWindows& owner_;
  };
};

}  // namespace quorlix
