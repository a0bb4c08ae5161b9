// Link extraction: whatever the page, the filter that spares most pages a
// reading as HTML never turns away one whose links the full reading finds,
// on bytes or on UTF-16 units, in chunks cut anywhere; each link's line lies
// within the page's lines; and where a link leads inside the course is a
// clean relative path.
//
// Input: a chunk length, a code page selector, then the page as UTF-8 bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "LinkAddress.h"
#include "PageLinks.h"
#include "Utf.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

template <typename Text>
bool FilterLetsThrough(const Text& text, std::size_t chunk) {
    LinkFilter filter;
    filter.StartPage();
    for (std::size_t at = 0; at < text.size(); at += chunk) {
        if (filter.MayHoldLink(Text(text.substr(at, chunk)))) return true;
    }
    return false;
}

bool IsCleanPath(std::string_view path) {
    if (path.empty()) return true;
    if (path.front() == '/' || path.back() == '/') return false;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string_view component = path.substr(at, slash - at);
        if (component.empty() || component == "." || component == "..") return false;
        at = slash + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t chunk = 1 + input.ConsumeIntegralInRange<std::size_t>(0, 63);
    const CodePage& codePage = PickCodePage(input.ConsumeIntegral<std::uint8_t>());
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const std::u16string text = Utf8ToUtf16(bytes);

    std::vector<HtmlAttribute> links;
    LinkReader reader([&](const HtmlAttribute& link) { links.push_back(link); });
    HtmlTextReader html(reader);
    html.Feed(text);
    html.Finish();

    std::uint64_t lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))) ++lines;
    }
    bool anyValue = false;
    for (const HtmlAttribute& link : links) {
        anyValue = anyValue || !link.value.empty();
        FUZZ_CHECK(link.line >= 1 && link.line <= lines, Hex(text));
        const LinkAddress address = ReadLinkAddress(link.value, "a/b/", &codePage);
        if (address.kind == LinkAddress::Kind::InCourse) {
            FUZZ_CHECK(IsCleanPath(address.path), Hex(link.value) + "\n" + Hex(address.path));
            FUZZ_CHECK(IsCleanPath(address.escapedBytesPath),
                       Hex(link.value) + "\n" + Hex(address.escapedBytesPath));
        }
        if (!link.value.empty() && link.value.front() == u'#')
            FUZZ_CHECK(address.kind == LinkAddress::Kind::NotChecked, Hex(link.value));
    }
    if (anyValue) {
        FUZZ_CHECK(FilterLetsThrough(std::string_view(bytes), chunk),
                   "bytes in chunks of " + std::to_string(chunk) + ": " + Hex(bytes));
        FUZZ_CHECK(FilterLetsThrough(std::u16string_view(text), chunk),
                   "units in chunks of " + std::to_string(chunk) + ": " + Hex(text));
    }
    return 0;
}
