// Texts the player window's commands are made of: the share messages and
// addresses, the names of saved lists and the favourites made of plain
// files. Pure text work, checked on its own.
#pragma once

#include <string>

namespace ui {

enum class TShareSite { Facebook, Twitter, GooglePlus };

// "QOR ile ’name’ dinliyorum ve şimdi ’title’ çalıyor." (without a title
// the shorter form), with the last text shortened and ended with "..."
// when message and `suffixLength` more characters would pass `limit`.
std::u16string ShareMessage(const std::u16string& name, const std::u16string& title, size_t limit,
                            size_t suffixLength);

// The address that shares the station on the site. `webSite` is the
// product's site (the Facebook and Google+ texts point at it), `shortLink`
// ends the Twitter text; `host` is the site's share host.
std::string ShareAddress(TShareSite site, const std::u16string& name, const std::u16string& title,
                         const std::string& host, const std::string& webSite, const std::string& shortLink);

// The name a list is saved under: ".xml" (filter 2) or ".rpf" added when
// the name has no extension.
std::string SavedListName(const std::string& chosen, int filter);

// A favourite for a plain file: the file name without its extension (a
// name that is not UTF-8 read as Windows-1254), and "file:///" followed by
// the path, escaped where the path alone would not lead back to the file.
std::u16string FileEntryName(const std::string& path);
std::string FileEntryAddress(const std::string& path);

}  // namespace ui
