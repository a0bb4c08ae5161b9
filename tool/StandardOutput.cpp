#include "StandardOutput.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "FileError.h"

namespace courseview {

void StandardOutput::Write(std::string_view piece) {
    while (!piece.empty() && m_error == 0) {
        const ssize_t count = ::write(1, piece.data(), piece.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            m_error = count < 0 ? errno : EIO;
        } else {
            piece.remove_prefix(static_cast<std::size_t>(count));
        }
    }
}

int StandardOutput::Finish(int status) const {
    if (m_error == 0) return status;
    std::cerr << "courseview-catalogue: cannot write the output: " << SystemErrorText(m_error)
              << "\n";
    return ExitTrouble;
}

}  // namespace courseview
