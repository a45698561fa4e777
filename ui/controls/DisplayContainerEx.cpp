#include "ui/controls/DisplayContainerEx.h"

#include <gio/gio.h>

#include "core/Encoding.h"

using namespace core;
using namespace widgets;

namespace ui {

namespace {
constexpr int kHandCursor = 13;
}

TDisplayContainerEx::TDisplayContainerEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TDisplayContainerEx");
  OpenLink = [](const std::string& address) {
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(address.c_str(), nullptr, &error) && error) g_error_free(error);
  };
}

TDisplayContainerEx::~TDisplayContainerEx() {
  DestroyHandle();
  // The children go before the panel's own parts.
  FMarquee.reset();
  FPicture.reset();
}

void TDisplayContainerEx::CreateHandle() {
  TControlEx::CreateHandle();
  if (!HandleAllocated() || FPicture) return;
  FPicture = std::make_unique<TImageEx>(this);
  FPicture->SetParent(this);
  FPicture->SetAutoSize(false);
  FPicture->SetStretch(true);
  FPicture->SetCursor(kHandCursor);
  FPicture->OnClick = [this](TObject*, UINT, int, int) { PictureClicked(); };

  FMarquee = std::make_unique<TMarqueeLabelEx>(this);
  FMarquee->SetParent(this);
  FMarquee->SetCaption(FBanner.Text);
  FMarquee->SetEdgeColour(0xFF202020);
  FMarquee->SetInnerColour(0x00000000);
  FMarquee->SetFadeWidth(39);
  FMarquee->SetMargin(30);
  FMarquee->SetCentreVertically(true);
  TFontEx& font = FMarquee->Font();
  font.SetName("Arial");
  font.SetSize(8);
  font.SetStyle(FontStyleBold);
  font.SetColor(0xEFFFFFFF);
  FMarquee->Canvas().SetAntialias(false);
  FMarquee->Canvas().SetInterpolationMode(InterpolationModeHighQualityBicubic);
  FMarquee->SetOwnerClocked(true);
  PlaceChildren();
}

void TDisplayContainerEx::Tick() {
  if (FMarquee && FMarquee->Visible()) FMarquee->Tick();
}

void TDisplayContainerEx::PlaceChildren() {
  if (FPicture) FPicture->SetBounds(0, 0, Width(), Height());
  if (FMarquee) FMarquee->SetBounds(0, Height() - MarqueeHeight, Width(), MarqueeHeight);
}

void TDisplayContainerEx::WMSize(TMessage& m) {
  TControlEx::WMSize(m);
  PlaceChildren();
}

void TDisplayContainerEx::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER) {
    Tick();
    return;
  }
  TControlEx::WndProc(message);
}

void TDisplayContainerEx::SetBanner(const app::TBannerInfo& banner) {
  if (!FPicture) return;
  FBanner = banner;
  FPicture->LoadFromData(FBanner.Image, "base64");
  FPicture->SetHint(FBanner.Link);
  FPicture->SetShowHint(!FBanner.Link.empty());
  FPicture->SetVisible(true);
  FMarquee->SetCaption(FBanner.Text);
  FMarquee->SetHint(FBanner.Text);
  FMarquee->SetShowHint(true);
  FMarquee->SetVisible(true);
  FMarquee->Reset(0);
  InvalidateTree();
}

void TDisplayContainerEx::PictureClicked() {
  if (FBanner.Link.empty() || !OpenLink) return;
  OpenLink(enc::Utf16ToUtf8(FBanner.Link));
}

}  // namespace ui
