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

  // One step of the text; the owner calls it from the tick that redraws
  // its window, so the text wakes the program with that tick (it runs no
  // timer of its own).
  virtual void Tick();

  void WndProc(core::TMessage& message) override;
  // The panel draws nothing of its own: a frame composes only what its
  // children changed (the sliding text's strip), not the whole band.
  bool OwnPictureBlank() const override { return !OnPaint; }

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
