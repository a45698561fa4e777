#include "CliArguments.h"

#include <charconv>

namespace cli {

namespace {

bool ParseInt(const std::string& text, int& value) {
  if (text.empty()) return false;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

int ParseDuration(const std::string& text) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t start = 0;
  for (;;) {
    size_t colon = text.find(':', start);
    std::string piece = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (count == 3 || !ParseInt(piece, parts[count]) || parts[count] < 0) return -1;
    ++count;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (count > 1)
    for (int i = 1; i < count; ++i)
      if (parts[i] > 59) return -1;
  long total = 0;
  for (int i = 0; i < count; ++i) total = total * 60 + parts[i];
  return total > 0 && total < 100L * 3600 ? static_cast<int>(total) : -1;
}

int FormatIndex(const std::string& word) {
  static const char* const words[] = {"aac", "ac3", "flac", "m4a", "mp3", "ogg", "opus", "wav"};
  for (int i = 0; i < 8; ++i)
    if (word == words[i]) return i;
  return word == "raw" ? RawFormat : -1;
}

bool ParseArguments(const std::vector<std::string>& args, TArguments& out, std::string& error) {
  out = TArguments{};
  if (args.empty()) {
    error = "Komut eksik (missing command).";
    return false;
  }
  for (const auto& a : args)
    if (a == "--help" || a == "-h") {
      out.Command = TCommand::Help;
      return true;
    }
  const std::string& command = args[0];
  if (command == "play") out.Command = TCommand::Play;
  else if (command == "record") out.Command = TCommand::Record;
  else if (command == "search") out.Command = TCommand::Search;
  else if (command == "help") return true;
  else {
    error = "Bilinmeyen komut (unknown command): " + command;
    return false;
  }
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        error = a + " için değer eksik (missing value).";
        return false;
      }
      into = args[++i];
      return true;
    };
    std::string v;
    if (a == "--no-sound" && out.Command != TCommand::Search) {
      out.NoSound = true;
    } else if (a == "--seconds" && out.Command == TCommand::Play) {
      if (!value(v)) return false;
      if (!ParseInt(v, out.Seconds) || out.Seconds <= 0) {
        error = "Geçersiz süre (bad --seconds): " + v;
        return false;
      }
    } else if (a == "--duration" && out.Command == TCommand::Record) {
      if (!value(v)) return false;
      out.DurationSeconds = ParseDuration(v);
      if (out.DurationSeconds <= 0) {
        error = "Geçersiz süre, SS:DD:ss bekleniyor (bad --duration, HH:MM:SS expected): " + v;
        return false;
      }
    } else if (a == "--folder" && out.Command == TCommand::Record) {
      if (!value(out.Folder)) return false;
      if (out.Folder.empty()) {
        error = "Klasör boş olamaz (empty --folder).";
        return false;
      }
    } else if (a == "--format" && out.Command == TCommand::Record) {
      if (!value(v)) return false;
      out.Format = FormatIndex(v);
      if (out.Format < 0) {
        error = "Bilinmeyen biçim (unknown --format): " + v;
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      error = "Bilinmeyen seçenek (unknown option): " + a;
      return false;
    } else if (out.Target.empty()) {
      out.Target = a;
    } else if (out.Command == TCommand::Search) {
      out.Target += " " + a;
    } else {
      error = "Fazla argüman (unexpected argument): " + a;
      return false;
    }
  }
  if (out.Target.empty()) {
    error = "İstasyon adı, adres ya da arama metni eksik (missing station, address or text).";
    return false;
  }
  if (out.Command == TCommand::Record && out.DurationSeconds <= 0) {
    error = "Kayıt için --duration SS:DD:ss gerekli (record needs --duration HH:MM:SS).";
    return false;
  }
  return true;
}

const char* HelpText() {
  return "Kullanım / Usage:\n"
         "  qor-cli play ADRES-YA-DA-AD [--seconds N] [--no-sound]\n"
         "      İstasyonu çalar, her olayı ve yeni şarkı adını bir satırda yazar; Ctrl+C durdurur.\n"
         "      Plays a station, one line per player event and new title; Ctrl+C stops.\n"
         "  qor-cli record ADRES-YA-DA-AD --duration SS:DD:ss [--folder KLASÖR]\n"
         "          [--format aac|ac3|flac|m4a|mp3|ogg|opus|wav|raw] [--no-sound]\n"
         "      İstasyonu verilen süre boyunca kaydeder ve sonunda dosyanın yolunu yazar.\n"
         "      Records the station for the given time and prints the file's path at the end.\n"
         "  qor-cli search METİN\n"
         "      Favorilerde ve istasyon veritabanında arar / searches favourites and the database.\n"
         "\n"
         "İstasyon önce favorilerde, sonra veritabanında aranır: önce tam ad, sonra ad parçası.\n"
         "A name is looked up in the favourites, then the database: exact name first, then a fragment.\n"
         "Ayarlar ve seçenekler QOR ile aynıdır (settings and options are those of QOR).\n"
         "Çıkış kodları / exit codes: 0 başarı (success), 1 çalma ya da kayıt hatası (playback or\n"
         "recording failure), 2 hatalı argüman (bad arguments).\n";
}

}  // namespace cli
