// TDisplayContainerEx: the banner panel of the list area. It holds the
// banner picture, which opens the banner's link when clicked, and a
// marquee with the banner's text along its bottom edge. Both stay hidden
// until the first banner arrives.
#pragma once

#include "app/UpdateCheck.h"
#include "ui/controls/MarqueeLabelEx.h"
#include "widgets/paint/ControlEx.h"
#include "widgets/paint/ImageEx.h"

#include <functional>
#include <memory>
#include <string>

namespace ui {

class TDisplayContainerEx : public widgets::TControlEx {
public:
  static constexpr int MarqueeHeight = 16;

  explicit TDisplayContainerEx(core::TComponent* AOwner = nullptr);
  ~TDisplayContainerEx() override;

  // Ignored until the panel's window (and with it the picture) exists.
  // The picture comes from the record's Base64 image text; the text runs
  // in the marquee from its start.
  void SetBanner(const app::TBannerInfo& banner);
  const app::TBannerInfo& Banner() const { return FBanner; }
  widgets::TImageEx* Picture() const { return FPicture.get(); }
  TMarqueeLabelEx* Marquee() const { return FMarquee.get(); }

  // Opens an address with the desktop's default handler; tests put their own.
  std::function<void(const std::string& address)> OpenLink;

  // Called for every WM_TIMER; the panel itself has nothing to step.
  virtual void Tick() {}

  void WndProc(core::TMessage& message) override;

protected:
  void CreateHandle() override;
  void WMSize(core::TMessage& m) override;

private:
  void PictureClicked();
  void PlaceChildren();

  app::TBannerInfo FBanner;
  std::unique_ptr<widgets::TImageEx> FPicture;
  std::unique_ptr<TMarqueeLabelEx> FMarquee;
};

}  // namespace ui
