#include "core/work/progress.h"

#include "core/text/text_util.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

class SilentWorkingWindow : public WorkingWindow {
 public:
  void Show() override {}
  bool IsActive() const override { return true; }
  void SetCaption(std::string_view) override {}
  bool ShowsCaption() const override { return false; }
  void Close() override {}
};

}  // namespace

std::unique_ptr<WorkingWindow> SilentWorkingWindowFactory::Create() {
  return std::make_unique<SilentWorkingWindow>();
}

void FormatProgressCaption(int64_t count, int64_t total, std::string& caption) {
  caption.assign(Tr("Working"));
  caption.append("   ");
  AppendNumber(count, caption);
  caption.append(" / ");
  AppendNumber(total, caption);
}

}  // namespace quorlix
