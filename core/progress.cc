#include "core/progress.h"

#include <charconv>

#include "core/translation.h"

namespace quorlix {
namespace {

class SilentWorkingWindow : public WorkingWindow {
 public:
  void Show() override {}
  bool IsActive() const override { return true; }
  void SetCaption(std::string_view) override {}
  void Close() override {}
};

}  // namespace

std::unique_ptr<WorkingWindow> SilentWorkingWindowFactory::Create() {
  return std::make_unique<SilentWorkingWindow>();
}

void FormatProgressCaption(int64_t count, int64_t total, std::string& caption) {
  char digits[48];
  caption.assign(Tr("Working"));
  caption.append("   ");
  auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
  caption.append(digits, end);
  caption.append(" / ");
  end = std::to_chars(digits, digits + sizeof digits, total).ptr;
  caption.append(digits, end);
}

}  // namespace quorlix
