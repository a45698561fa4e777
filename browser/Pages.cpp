#include "browser/Pages.h"

#include <cmath>

#include "app/UpdateCheck.h"
#include "browser/ExternalWire.h"
#include "core/Encoding.h"
#include "resources/strings/StringTable.h"
#include "support/Deploy.h"
#include "support/URLUtils.h"

namespace browser {

std::string BrowserBase(bool administrator) {
  std::string host = deploy::Value(deploy::VendorApiHost);
  if (host.empty()) return {};
  std::string segment = deploy::Value(deploy::AdminPathSegment);
  // Without a segment of their own administrators see the public pages.
  if (administrator && !segment.empty()) return deploy::AddressOn(host, "/qor/browser/" + segment + "/");
  return deploy::AddressOn(host, std::string("/qor/browser/") + app::ProgramVersion + "/");
}

std::string PageAddress(core::UINT message, bool administrator, const std::u16string& reportQuery) {
  std::string base = BrowserBase(administrator);
  if (base.empty()) {
    std::string builtin = std::string(BuiltinOrigin) + "/";
    switch (message) {
      case UM_BROWSER_HOME: return builtin + "home.html";
      case UM_BROWSER_FIND: return builtin + "find.html";
      case UM_BROWSER_ABOUT: return builtin + "about.html";
      default: return {};
    }
  }
  switch (message) {
    case UM_BROWSER_HOME: return base;
    case UM_BROWSER_FIND: return base + "find.php";
    case UM_BROWSER_ABOUT: return base + "about.php?v=" + app::ProgramVersion;
    case UM_BROWSER_REPORT:
      if (reportQuery.empty()) return {};
      return base + "report.php?" + enc::Utf16ToUtf8(reportQuery);
    default: return {};
  }
}

bool ReportAvailable() { return !deploy::Value(deploy::VendorApiHost).empty(); }

std::u16string ReportQuery(const std::u16string& key, bool administrator) {
  return u"id=" + key + u"&" + (administrator ? u"ref" : u"url") + u"=" +
         enc::Utf8ToUtf16(BrowserBase(administrator)) + u"browser.php";
}

bool IsOwnPage(const std::string& address, bool administrator) {
  std::string origin = OriginOf(address);
  if (origin.empty()) return false;
  if (origin == BuiltinOrigin) return true;
  std::string base = BrowserBase(administrator);
  return !base.empty() && origin == OriginOf(base);
}

int ProgressPercent(double progress, double maximum) {
  if (!(progress > 0) || !(maximum > 0)) return 0;
  double percent = std::round(progress / maximum * 100.0);
  if (percent < 0 || percent > 100) return 100;
  return static_cast<int>(percent);
}

std::u16string ProgressText(int percent) {
  // The table's format is printf-like: "%%" for the sign, "%d" the number.
  const std::u16string& format = res::LoadStr(113);
  std::u16string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size()) {
      if (format[i + 1] == u'%') {
        out += u'%';
        ++i;
        continue;
      }
      if (format[i + 1] == u'd') {
        out += enc::Utf8ToUtf16(std::to_string(percent));
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

bool TitleIsAddress(const std::u16string& title) {
  TURLComponentStrings parts;
  return SplitURL(enc::Utf16ToUtf8(title), parts);
}

}  // namespace browser
