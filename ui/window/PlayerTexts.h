// The texts the player window shows about what is playing: the marquee
// line, its hint, the tray hint, the messenger text and the state lines.
// Pure text work, so that each rule can be checked on its own.
#pragma once

#include <string>

namespace ui {

// What the controller reports about the running stream for the hint.
struct TStreamFacts {
  int Bitrate = 0;     // kbit/s, 0: unknown
  int SampleRate = 0;  // Hz, 0 or less: unknown
  std::string Codec;
  bool Stereo = false;
};

// The song title from the raw metadata ("StreamTitle='...';") or else the
// header tags ("title=", "author="), cleaned and decoded: UTF-8, else
// Windows-1254 bytes, with numeric character references ("&#350;") read.
std::u16string ExtractTitle(const std::string& meta, const std::string& headerTags);

// "Name  ♫  Title", or the name alone while there is no title.
std::u16string DisplayText(const std::u16string& name, const std::u16string& title);

// The name, then on lines of their own the title and the stream facts
// ("128 Kbps @ 44 Khz ~ MP3 (Stereo)"), each only when known.
std::u16string MarqueeHint(const std::u16string& name, const std::u16string& title, const TStreamFacts& facts);

// The application title; while playing also the name and the title on
// lines of their own. Every "&" is tripled so that none turns into an
// access key.
std::u16string TrayHint(const std::u16string& appTitle, bool playing, const std::u16string& name,
                        const std::u16string& title);

// "Title - Name" for the messenger status.
std::u16string MessengerText(const std::u16string& title, const std::u16string& name);

// "Bağlanılıyor... (Name)".
std::u16string ConnectingText(const std::u16string& name);
// "Önbelleğe alınıyor %35 ...".
std::u16string BufferingText(int percent);
// "Ses : %40".
std::u16string VolumeText(int volume);

// Blanks and control characters trimmed from both ends.
std::u16string TrimText(const std::u16string& text);

}  // namespace ui
