// Reading bit rate and title out of a stream's header tags and metadata
// texts. Pure text work, shared by the players and the controller.
#pragma once

#include <string>
#include <string_view>

// A NUL-separated tag list ending in an empty text, each text followed by
// ";", plus one more ";" at the end; empty for a null list. At most
// `limit` bytes are read, so a list without its final empty text cannot
// run away.
std::string JoinTagList(const char* tags, std::size_t limit = 1 << 20);

// The first of "icy-br:", "icy-bitrate:", "Bitrate=" (bits per second)
// found in the joined tags, in kbit/s; -1 when the tags are empty or hold
// none of them, 0 when the value is not a number.
int32_t BitrateFromTags(const std::string& tags);

// The title from the metadata text (StreamTitle=) or else from the header
// tags (title= and author=), cleaned; empty when there is none.
std::string TitleFromTags(const std::string& meta, const std::string& headerTags);

// Drops characters below 32 and one trailing "-", trims, reads the bytes as
// UTF-8 (as Windows-1254 when they are not UTF-8) and unescapes character
// references such as "&#350;" and "&amp;".
std::string CleanTitle(std::string_view title);

// "&#350;" and "&#x15E;" to the character in UTF-8, and "&amp;", "&quot;",
// "&apos;", "&lt;", "&gt;" and "&nbsp;" (to a plain space) to theirs, each
// read once ("&amp;#350;" gives "&#350;"); anything else unchanged.
std::string UnescapeCharacterReferences(std::string_view text);
