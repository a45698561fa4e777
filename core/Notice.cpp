#include "core/Notice.h"

namespace core {

namespace {
constexpr UINT TM_NOTICE = WM_USER + 0x7E2;
}  // namespace

class TNotice::TNoticeWindow : public TMessageWindow {
 public:
  explicit TNoticeWindow(TNotice& notice) : FNotice(notice) {}
  ~TNoticeWindow() override { DestroyHandle(); }
  void WndProc(TMessage& message) override {
    if (message.Msg != TM_NOTICE) {
      TMessageWindow::WndProc(message);
      return;
    }
    // Cleared before the call: an ask that comes while it runs is a new one.
    if (!FNotice.FPending.exchange(false)) return;
    try {
      FNotice.FCall();
    } catch (...) {
      ReportStrayException();
    }
  }

 private:
  TNotice& FNotice;
};

TNotice::TNotice(std::function<void()> call)
    : FCall(std::move(call)), FWindow(std::make_unique<TNoticeWindow>(*this)) {
  FWindow->Handle();
}

TNotice::~TNotice() = default;

void TNotice::Post() {
  if (!FPending.exchange(true)) PostMessage(FWindow->WindowHandle(), TM_NOTICE);
}

void TNotice::Cancel() { FPending = false; }

}  // namespace core
