#include "engine/conversion.h"

#include "engine/transliterate.h"

namespace zv {

void ConvertText(ConversionWindows& windows) {
    const std::u16string input = windows.InputText();
    if (IsHintWord(input)) windows.ShowHint(kHintMessage);
    const std::u16string converted = Transliterate(input);
    // The preview takes up the navigation only once control is back in the event loop,
    // so it shows the document written below.
    windows.NavigatePreview();
    windows.SetUnicodeText(converted);
    windows.WriteDocument(converted);
}

}  // namespace zv
