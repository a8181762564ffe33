#include "details/save_prompt.h"

#include "details/details_window.h"
#include "platform/gui/ez.h"

namespace details {

namespace {
constexpr int AnswerYes = 1;
constexpr int AnswerNo = 0;
}  // namespace

bool MayLeaveRecord(const std::string& owner, const char* text) {
    if (!DetailsChanged()) return true;
    const int answer = gui::EZ_MSGBOX(owner, text, PromptCaption, "YNC");
    if (answer == AnswerNo) return true;
    if (answer != AnswerYes) return false;
    const bool saved = SaveDetails();
    Window.DetailsSaved = 1;
    return saved;
}

}  // namespace details
