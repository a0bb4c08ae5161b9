#pragma once
// The error box: what an error that escapes an event handler turns into. The
// program shows it and goes on with the next window message.

#include <functional>
#include <string>
#include <string_view>

namespace courseview {

// The application's title from its executable's path: the file name without
// its folder, cut at its first ".", its first letter upper case and every
// other character lower case ("/opt/x/courseview" gives "Courseview").
std::string ApplicationTitle(std::string_view executablePath);

// The box's text: `message` with a period added when its last character's
// code lies above that of the period.
std::string ErrorBoxText(std::string_view message);

// Shows `message` (UTF-8) in a modal box with the stop icon and one OK button,
// captioned with the application title. Returns when the box is closed. While
// a box is open, another message is dropped: there is never more than one.
void ShowErrorBox(std::string_view message);

// Runs `work`; whatever it throws is shown in the error box instead of
// travelling further. For callbacks the window system makes outside wx's own
// event dispatch, where an exception could not be caught for us.
void ShowErrorsOf(const std::function<void()>& work);

// Shows the exception being handled in the error box; call it only inside a
// catch block.
void ShowCurrentException();

// Lets a test see the boxes instead of a person: while set, ShowErrorBox hands
// the caption and text to `interceptor` and returns at once. Pass an empty
// function to restore the real box.
using ErrorBoxInterceptor =
    std::function<void(const std::string& caption, const std::string& text)>;
void SetErrorBoxInterceptor(ErrorBoxInterceptor interceptor);

}  // namespace courseview
