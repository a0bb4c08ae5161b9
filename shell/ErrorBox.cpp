#include "ErrorBox.h"

#include <wx/msgdlg.h>

#include <cwctype>
#include <exception>

#include "ProgramFolder.h"
#include "Utf.h"

namespace courseview {

namespace {

ErrorBoxInterceptor& Interceptor() {
    static ErrorBoxInterceptor interceptor;
    return interceptor;
}

}  // namespace

std::string ApplicationTitle(std::string_view executablePath) {
    const auto slash = executablePath.rfind('/');
    std::string_view name =
        slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    // The first character stays as it is; every later one goes to lower case,
    // Cyrillic included.
    std::u16string title = Utf8ToUtf16(name);
    for (std::size_t i = 1; i < title.size(); ++i) {
        title[i] = static_cast<char16_t>(std::towlower(static_cast<wint_t>(title[i])));
    }
    return Utf16ToUtf8(title);
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    // Compared as a code point: every byte of a UTF-8 sequence lies above the period too.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
    return text;
}

void ShowErrorBox(std::string_view message) {
    // One box at a time: a second error while one is open is not stacked on it.
    static bool open = false;
    if (open) return;
    open = true;
    struct Closed {
        ~Closed() { open = false; }
    } closed;
    const std::string caption = ApplicationTitle(ExecutablePath());
    const std::string text = ErrorBoxText(message);
    if (Interceptor()) {
        Interceptor()(caption, text);
        return;
    }
    wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK | wxICON_STOP);
}

void ShowCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    } catch (...) {
        ShowErrorBox("Unknown error");
    }
}

void ShowErrorsOf(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        ShowCurrentException();
    }
}

void SetErrorBoxInterceptor(ErrorBoxInterceptor interceptor) {
    Interceptor() = std::move(interceptor);
}

}  // namespace courseview
