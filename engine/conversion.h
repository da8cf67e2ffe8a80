// One conversion run: read the input, hint, convert, publish to the three outputs.
#pragma once

#include <string>
#include <string_view>

namespace zv {

// The window operations a conversion run needs. Any of them may throw; the run does not
// catch, so an error ends the run at that step and reaches the caller.
class ConversionWindows {
  public:
    virtual ~ConversionWindows() = default;
    virtual std::u16string InputText() = 0;                     // the main window's text
    virtual void ShowHint(std::u16string_view message) = 0;     // modal, OK only, no icon
    virtual void NavigatePreview() = 0;                         // preview to the document
    virtual void SetUnicodeText(std::u16string_view text) = 0;  // the Unicode text window
    virtual void WriteDocument(std::u16string_view body) = 0;   // the run variant
};

// Reads the input, shows the hint for a hint word, converts, then navigates the preview,
// sets the Unicode text and writes the document, in that order.
void ConvertText(ConversionWindows& windows);

}  // namespace zv
