#include "PageEncoding.h"

#include "CharsetPrescan.h"
#include "EncodingLabels.h"
#include "Utf.h"

namespace courseview {

namespace {

std::optional<PageEncoding> Marked(std::string_view head) {
    if (head.starts_with("\xFF\xFE")) {
        return PageEncoding{"UTF-16LE", "UTF-16LE", EncodingSource::ByteOrderMark, 2};
    }
    if (head.starts_with("\xFE\xFF")) {
        return PageEncoding{"UTF-16BE", "UTF-16BE", EncodingSource::ByteOrderMark, 2};
    }
    if (head.starts_with("\xEF\xBB\xBF")) {
        return PageEncoding{"UTF-8", "UTF-8", EncodingSource::ByteOrderMark, 3};
    }
    return std::nullopt;
}

bool IsUtf8(std::string_view head, bool pageGoesOn) {
    // The run stops only at a malformed sequence, or short of a character the
    // rest of the page finishes.
    return NextUtf8Run(head, !pageGoesOn).malformed == 0;
}

}  // namespace

std::optional<PageEncoding> MarkedOrDeclaredEncoding(std::string_view head) {
    if (auto marked = Marked(head)) return marked;
    const std::optional<std::string> declared = PrescanDeclaredEncoding(head);
    if (!declared) return std::nullopt;
    const EncodingInfo* encoding = EncodingNamed(*declared);
    return PageEncoding{*declared, encoding ? std::string(encoding->codeset) : std::string(),
                        EncodingSource::Declaration};
}

PageEncoding DisplayEncoding(std::string_view head, bool pageGoesOn,
                             const CodePage& systemCodePage) {
    if (auto encoding = MarkedOrDeclaredEncoding(head)) return *encoding;
    if (IsUtf8(head, pageGoesOn)) return {"UTF-8", "UTF-8", EncodingSource::Utf8Detected};
    const EncodingInfo* known = EncodingForCodeset(systemCodePage.Name());
    return {known ? std::string(known->name) : systemCodePage.Name(), systemCodePage.Name(),
            EncodingSource::SystemCodePage};
}

std::u16string DecodePageForDisplay(std::string_view bytes, const CodePage& systemCodePage) {
    const PageEncoding encoding = DisplayEncoding(
        bytes.substr(0, DisplayDecisionBytes), bytes.size() > DisplayDecisionBytes, systemCodePage);
    bytes.remove_prefix(encoding.markBytes);
    std::u16string text;
    if (encoding.codeset.empty()) {
        // "replacement": the page's bytes are never shown.
        if (!bytes.empty()) text.push_back(ReplacementCharacter);
    } else if (encoding.source == EncodingSource::SystemCodePage) {
        text = systemCodePage.ToUtf16(bytes);
    } else {
        text = CodePageNamed(encoding.codeset).ToUtf16(bytes);
    }
    if (const std::size_t end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
    return text;
}

}  // namespace courseview
