// The four pages of the options sheet (OptionsSheet.h). Each builds its
// controls named by their resource ids, reads the options into them and
// writes them back.
#pragma once

#include <memory>

#include "ui/dialogs/OptionsSheet.h"

namespace ui {

std::unique_ptr<TOptionsPage> NewGeneralPage(app::TOptions& options);
std::unique_ptr<TOptionsPage> NewRecordingPage(app::TOptions& options);
std::unique_ptr<TOptionsPage> NewAdvancedPage(app::TOptions& options);
std::unique_ptr<TOptionsPage> NewAppearancePage(app::TOptions& options);

// Home page of the ffmpeg project, with the referrer key of this program.
inline constexpr const char* FfmpegHomePage = "https://ffmpeg.org/?ref=qor";

// The rows of the recording page's lists.
int BitrateTableCount(int sampleRateIndex);
// "%d Kbps" entries of the bit-rate table that follows the sample rate.
void FillBitrates(GtkComboBoxText* list, int sampleRateIndex);

// The number of an Advanced page field: the text as a positive decimal, or
// the default when it is not a number or not above 0.
int PositiveOrDefault(const char* text, int defaultValue);

}  // namespace ui
