#pragma once

#include <string>

namespace options {

// Controls of "Vendrix Options"; the style radio buttons are reports::StyleRadioId(style).
inline constexpr int PreviewCheck = 125;
inline constexpr int NoScanCheck = 130;
inline constexpr int RollForwardCheck = 135;
inline constexpr int RememberSortCheck = 140;
inline constexpr int ConfirmExitCheck = 145;
inline constexpr int SaveButton = 150;
inline constexpr int ExitButton = 155;
inline constexpr int HelpButton = 160;
inline constexpr int StyleFrame = 165;

inline constexpr const char* OptionsWindowCaption = "Vendrix Options";

// "Vendrix Options", over the main window. Every change takes effect in ProgramSettings at
// once; "&Save" marks the settings for writing with the client table at exit.
void OpenOptionsWindow(const std::string& opener);
void BuildOptionsWindow();
void OptionsWindowEvents(int& id, int& code, int& value, int& cancel);

}  // namespace options
