#include "TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "FileError.h"
#include "InputFile.h"
#include "Utf.h"

namespace courseview {

namespace {

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

std::size_t DecodeUtf16(std::string_view bytes, bool bigEndian, bool atEnd, std::u16string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t pairs = bytes.size() / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        const unsigned char first = data[2 * i];
        const unsigned char second = data[2 * i + 1];
        out.push_back(bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    if (bytes.size() % 2 == 1 && atEnd) {
        // Half a code unit cannot be a character.
        out.push_back(ReplacementCharacter);
        return bytes.size();
    }
    return pairs * 2;
}

}  // namespace

std::size_t TextDecoder::DecodeBody(std::string_view bytes, bool atEnd, std::u16string& out) {
    switch (m_encoding) {
        case Encoding::Utf16LittleEndian:
            return DecodeUtf16(bytes, false, atEnd, out);
        case Encoding::Utf16BigEndian:
            return DecodeUtf16(bytes, true, atEnd, out);
        case Encoding::Utf8:
            return DecodeUtf8Prefix(bytes, atEnd, out);
        default:
            return m_codePage.DecodePrefix(bytes, atEnd, out);
    }
}

bool TextDecoder::Feed(std::string_view bytes, bool atEnd, std::u16string& out) {
    if (m_ended) return false;
    std::string joined;
    if (!m_carry.empty()) {
        joined = m_carry + std::string(bytes);
        m_carry.clear();
        bytes = joined;
    }
    if (m_encoding == Encoding::Undecided) {
        // The longest mark has three bytes: wait for them unless the text is shorter.
        if (bytes.size() < 3 && !atEnd) {
            m_carry.assign(bytes);
            return true;
        }
        if (StartsWith(bytes, "\xFF\xFE")) {
            m_encoding = Encoding::Utf16LittleEndian;
            bytes.remove_prefix(2);
        } else if (StartsWith(bytes, "\xFE\xFF")) {
            m_encoding = Encoding::Utf16BigEndian;
            bytes.remove_prefix(2);
        } else if (StartsWith(bytes, "\xEF\xBB\xBF")) {
            m_encoding = Encoding::Utf8;
            bytes.remove_prefix(3);
        } else {
            m_encoding = Encoding::CodePage;
        }
    }
    const std::size_t before = out.size();
    const std::size_t used = DecodeBody(bytes, atEnd, out);
    m_carry.assign(bytes.substr(used));
    const auto nul = out.find(u'\0', before);
    if (nul != std::u16string::npos) {
        out.resize(nul);
        m_ended = true;
        m_carry.clear();
        return false;
    }
    return true;
}

std::u16string DecodeText(std::string_view bytes, const CodePage& systemCodePage) {
    TextDecoder decoder(systemCodePage);
    std::u16string text;
    text.reserve(bytes.size());
    decoder.Feed(bytes, true, text);
    return text;
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t unit = text[i];
        if (unit == u'\r' || unit == u'\n') {
            lines.emplace_back(text.substr(start, i - start));
            i += (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::u16string JoinLines(const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (const auto& line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

std::vector<std::u16string> LoadTextLines(const std::filesystem::path& path,
                                          const CodePage& systemCodePage) {
    InputFile file(path);
    return SplitLines(DecodeText(file.ReadAll(), systemCodePage));
}

void SaveTextLines(const std::filesystem::path& path, const std::vector<std::u16string>& lines,
                   const CodePage& systemCodePage) {
    const std::string bytes = systemCodePage.FromUtf16(JoinLines(lines));
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) throw CannotCreateFile(path, SystemErrorText(errno));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            const int error = count < 0 ? errno : EIO;
            ::close(descriptor);
            throw CannotCreateFile(path, SystemErrorText(error));
        }
        written += static_cast<std::size_t>(count);
    }
    if (::close(descriptor) != 0) throw CannotCreateFile(path, SystemErrorText(errno));
}

}  // namespace courseview
