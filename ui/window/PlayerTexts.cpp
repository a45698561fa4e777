#include "ui/window/PlayerTexts.h"

#include <charconv>

#include "engine/RadioPlayerTags.h"
#include "support/Encoding.h"

namespace ui {

namespace {

// Digits without the locale machinery of the printf family, which a title
// arriving while the program sleeps would otherwise bring into the cache.
std::u16string Number(long long value) {
  char buffer[24];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::u16string(buffer, error == std::errc() ? end : buffer);
}

void ReplaceAll(std::u16string& text, const std::u16string& what, const std::u16string& with) {
  for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

std::u16string ExtractTitle(const std::string& meta, const std::string& headerTags) {
  // One parser for the player, the recorder's file names and this window.
  return enc::Utf8ToUtf16(TitleFromTags(meta, headerTags));
}

std::u16string DisplayText(const std::u16string& name, const std::u16string& title) {
  if (title.empty()) return name;
  return name + u"  \u266B  " + title;
}

std::u16string MarqueeHint(const std::u16string& name, const std::u16string& title, const TStreamFacts& facts) {
  std::u16string hint = name;
  if (!title.empty()) hint += u"\r\n" + title;
  if (facts.Bitrate > 0) hint += u"\r\n" + Number(facts.Bitrate) + u" Kbps";
  if (facts.SampleRate >= 1000) hint += u" @ " + Number(facts.SampleRate / 1000) + u" Khz";
  if (!facts.Codec.empty()) hint += u" ~ " + enc::BytesToWide(facts.Codec);
  // Channels are known only while a stream runs.
  if (facts.SampleRate > 0) hint += facts.Stereo ? u" (Stereo)" : u" (Mono)";
  return hint;
}

std::u16string TrayHint(const std::u16string& appTitle, bool playing, const std::u16string& name,
                        const std::u16string& title) {
  std::u16string hint = appTitle;
  if (playing) {
    if (!name.empty()) hint += u"\r\n" + name;
    if (!title.empty()) hint += u"\r\n" + title;
  }
  ReplaceAll(hint, u"&", u"&&&");
  return hint;
}

std::u16string MessengerText(const std::u16string& title, const std::u16string& name) {
  return title + u" - " + name;
}

std::u16string ConnectingText(const std::u16string& name) { return u"Bağlanılıyor... (" + name + u")"; }

std::u16string BufferingText(int percent) { return u"Önbelleğe alınıyor %" + Number(percent) + u" ..."; }

std::u16string VolumeText(int volume) { return u"Ses : %" + Number(volume); }

std::u16string TrimText(const std::u16string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace ui
