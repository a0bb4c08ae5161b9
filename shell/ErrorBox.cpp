#include "ErrorBox.h"

#include <wx/msgdlg.h>

#include <exception>

#include "ProgramFolder.h"

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
    std::string title(name);
    for (std::size_t i = 0; i < title.size(); ++i) {
        char& c = title[i];
        // Only Latin letters change case; a UTF-8 name's other bytes stay intact.
        if (i == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (i > 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return title;
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    // Compared as a code point: every byte of a UTF-8 sequence lies above the period too.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
    return text;
}

void ShowErrorBox(std::string_view message) {
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
