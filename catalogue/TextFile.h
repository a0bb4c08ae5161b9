#pragma once
// Text files as the viewer reads and writes them. Reading: a byte-order mark
// picks the decoding (FF FE UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8, tested
// in that order), otherwise the system code page; the first U+0000 ends the
// text. Writing: every line ends with CR LF, in the system code page, no mark.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace courseview {

// Decodes a text that arrives in chunks, so a caller can stop reading as soon
// as it has what it needs.
class TextDecoder {
public:
    explicit TextDecoder(const CodePage& systemCodePage) : m_codePage(systemCodePage) {}

    // Appends the text decoded from `bytes` to `out`. Returns false once the
    // text has ended at a U+0000; later bytes are ignored. `atEnd` says these
    // are the last bytes.
    bool Feed(std::string_view bytes, bool atEnd, std::u16string& out);

    bool Ended() const { return m_ended; }

private:
    enum class Encoding { Undecided, Utf16LittleEndian, Utf16BigEndian, Utf8, CodePage };

    std::size_t DecodeBody(std::string_view bytes, bool atEnd, std::u16string& out);

    const CodePage& m_codePage;
    Encoding m_encoding = Encoding::Undecided;
    std::string m_carry;  // bytes that wait for the rest of their character
    bool m_ended = false;
};

// The whole text of `bytes`, decoded by the rules above.
std::u16string DecodeText(std::string_view bytes, const CodePage& systemCodePage);

// Cuts at CR LF, a lone CR and a lone LF; a break at the very end adds no
// empty last line.
std::vector<std::u16string> SplitLines(std::u16string_view text);

// Every line followed by CR LF, the last one included.
std::u16string JoinLines(const std::vector<std::u16string>& lines);

// Reads and decodes a whole file into lines. Throws FileError.
std::vector<std::u16string> LoadTextLines(const std::filesystem::path& path,
                                          const CodePage& systemCodePage);

// Replaces the file with the lines, each ended by CR LF, in the code page.
// Throws FileError ("Cannot create file ...").
void SaveTextLines(const std::filesystem::path& path, const std::vector<std::u16string>& lines,
                   const CodePage& systemCodePage);

}  // namespace courseview
