// Which pages the browser shows, and which of them are our own. With a
// vendor host configured (deploy.ini) the pages come from the vendor's
// browser folder; without one, from the pages built into the program
// (scheme "qor"). Only our own pages get the player's script object.
#pragma once

#include <string>

#include "core/Messages.h"

namespace browser {

// Page messages, posted to the frame.
inline constexpr core::UINT UM_BROWSER_HOME = 38051;
inline constexpr core::UINT UM_BROWSER_FIND = 38052;
inline constexpr core::UINT UM_BROWSER_ABOUT = 38053;
inline constexpr core::UINT UM_BROWSER_REPORT = 38056;

// The scheme and origin of the built-in pages.
inline constexpr const char* BuiltinScheme = "qor";
inline constexpr const char* BuiltinOrigin = "qor://pages";

// The vendor's browser folder (ending in "/"); empty without a vendor host.
// Administrators get their own folder when the deployment names one.
std::string BrowserBase(bool administrator);
// The address a page message opens; empty when there is none (a report
// without a vendor, or without a query).
std::string PageAddress(core::UINT message, bool administrator, const std::u16string& reportQuery);
// Whether broken stations can be reported (a vendor host is configured).
bool ReportAvailable();
// The report query for a database entry's key.
std::u16string ReportQuery(const std::u16string& key, bool administrator);
// Whether a page at this address may reach the player: the built-in pages
// and the pages of the vendor's browser origin, nothing else.
bool IsOwnPage(const std::string& address, bool administrator);

// Texts of the frame.
// 0..100 from the load progress; 0 unless both values are positive.
int ProgressPercent(double progress, double maximum);
std::u16string ProgressText(int percent);
// Titles that are addresses (pages without a title of their own) keep the
// caption as it was.
bool TitleIsAddress(const std::u16string& title);

}  // namespace browser
