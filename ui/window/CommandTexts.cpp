#include "ui/window/CommandTexts.h"

#include <filesystem>

#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "support/URLUtils.h"

namespace ui {

namespace {

// Fills the "%s" of a string-table text in order.
std::u16string Format(const std::u16string& pattern, const std::u16string& first, const std::u16string* second) {
  std::u16string out;
  int filled = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's' && filled < 2) {
      const std::u16string* value = filled == 0 ? &first : second;
      if (value) out += *value;
      ++filled;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::u16string Compose(const std::u16string& name, const std::u16string& title) {
  return title.empty() ? Format(res::LoadStr(364), name, nullptr) : Format(res::LoadStr(365), name, &title);
}

// Keeps `length` code units, never half of a surrogate pair.
std::u16string Cut(const std::u16string& text, size_t length) {
  if (length >= text.size()) return text;
  if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
  return text.substr(0, length);
}

}  // namespace

std::u16string ShareMessage(const std::u16string& name, const std::u16string& title, size_t limit,
                            size_t suffixLength) {
  static const std::u16string ellipsis = u"...";
  std::u16string n = name, t = title;
  std::u16string message = Compose(n, t);
  if (message.size() + suffixLength <= limit) return message;
  // The last text gives way first; when that is not enough (a very long
  // name beside the title), the name too.
  std::u16string& last = t.empty() ? n : t;
  size_t room = limit > suffixLength + ellipsis.size() ? limit - suffixLength - ellipsis.size() : 0;
  size_t fixed = message.size() - last.size();
  last = Cut(last, room > fixed ? room - fixed : 0) + ellipsis;
  message = Compose(n, t);
  if (message.size() + suffixLength > limit && !t.empty()) {
    fixed = message.size() - n.size();
    n = Cut(n, room > fixed ? room - fixed : 0) + ellipsis;
    message = Compose(n, t);
  }
  return message;
}

std::string ShareAddress(TShareSite site, const std::u16string& name, const std::u16string& title,
                         const std::string& host, const std::string& webSite, const std::string& shortLink) {
  std::string base = host;
  while (!base.empty() && base.back() == '/') base.pop_back();
  if (base.find("://") == std::string::npos) base = "https://" + base;
  if (site == TShareSite::Twitter) {
    std::u16string suffix = u"\r\nTavsiye ederim... " + enc::Utf8ToUtf16(shortLink);
    std::u16string text = ShareMessage(name, title, 140, suffix.size()) + suffix;
    return base + "/intent/tweet?text=" + URLEncode(enc::Utf16ToUtf8(text));
  }
  static const std::u16string recommend = u" Tavsiye ederim...";
  std::u16string message = ShareMessage(name, title, 1024, recommend.size()) + recommend;
  std::string site_ = webSite;
  while (!site_.empty() && site_.back() == '/') site_.pop_back();
  std::string text = site_ + "/?share=" + enc::Utf16ToUtf8(message);
  return base + (site == TShareSite::Facebook ? "/sharer/sharer.php?u=" : "/share?url=") + URLEncode(text);
}

std::string SavedListName(const std::string& chosen, int filter) {
  if (chosen.empty() || std::filesystem::path(chosen).has_extension()) return chosen;
  return chosen + (filter == 2 ? ".xml" : ".rpf");
}

std::u16string FileEntryName(const std::string& path) {
  return enc::Utf8ToUtf16(enc::BytesToUtf8(std::filesystem::path(path).stem().string()));
}

std::string FileEntryAddress(const std::string& path) {
  std::string tail = path;
  while (!tail.empty() && tail.front() == '/') tail.erase(tail.begin());
  return FileAddress("/" + tail);
}

}  // namespace ui
