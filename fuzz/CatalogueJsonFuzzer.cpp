// The author's tool's JSON for any catalogue: captions with lone surrogates
// and control characters, paths and file names with any bytes, trees of any
// shape and depth. The output is always one strictly valid JSON document, and
// reading it back gives the catalogue: every caption and path (as UTF-8, with
// U+FFFD for what was not), every entry index, every note, in order.

#include <fuzzer/FuzzedDataProvider.h>

#include <sstream>
#include <type_traits>

#include "CatalogueReport.h"
#include "CourseFolder.h"
#include "FuzzSupport.h"
#include "JsonDocument.h"

using namespace courseview;
using namespace courseview::fuzzing;
using courseview::testing::JsonValue;
using courseview::testing::ParseJson;

namespace {

// UTF-8 of a UTF-16 text, a lone surrogate as U+FFFD: written apart from the
// converter the report uses.
std::string ExpectedUtf8(std::u16string_view text) {
    std::string out;
    auto append = [&out](char32_t c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            out +=
                {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            out +=
                {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                 static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            append(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            append(0xFFFD);
        } else {
            append(c);
        }
    }
    return out;
}

// A JSON string must read back as its bytes when they are UTF-8, and show
// U+FFFD for what was not.
void CheckCarried(const JsonValue* value, const std::string& bytes, const char* what) {
    FUZZ_CHECK(value != nullptr && value->kind == JsonValue::Kind::String, what);
    if (fuzzing::IsWellFormedUtf8(bytes)) {
        FUZZ_CHECK(value->text == bytes,
                   std::string(what) + ": " + Hex(bytes) + " read back as " + Hex(value->text));
    } else {
        FUZZ_CHECK(value->text.find("\xEF\xBF\xBD") != std::string::npos,
                   std::string(what) + ": " + Hex(bytes) + " read back as " + Hex(value->text));
    }
}

std::u16string ConsumeCaption(FuzzedDataProvider& input) {
    const std::string bytes = input.ConsumeRandomLengthString(24);
    std::u16string caption;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        caption.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    if (bytes.size() % 2 == 1) caption.push_back(static_cast<unsigned char>(bytes.back()));
    return caption;
}

// Paths are held as strings or as path objects; either way these are the bytes.
[[maybe_unused]] std::string PathOf(const std::string& path) { return path; }
[[maybe_unused]] std::string PathOf(const std::filesystem::path& path) { return path.native(); }

using PagePathList = std::remove_cvref_t<decltype(CatalogueReport::pagePaths)>;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    MemoryTree tree;
    std::vector<NodeHandle> handles;
    PagePathList pagePaths;
    std::vector<ScanNote> notes;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 5)) {
            case 0:
                handles.push_back(tree.AddLastTopLevel(ConsumeCaption(input)));
                break;
            case 1:
                if (!handles.empty()) {
                    const NodeHandle parent =
                        handles[input.ConsumeIntegral<std::uint16_t>() % handles.size()];
                    handles.push_back(tree.AddLastChild(parent, ConsumeCaption(input)));
                }
                break;
            case 2:  // deeper and deeper
                if (!handles.empty())
                    handles.push_back(tree.AddLastChild(handles.back(), ConsumeCaption(input)));
                break;
            case 3:
                if (!handles.empty()) {
                    const NodeHandle node =
                        handles[input.ConsumeIntegral<std::uint16_t>() % handles.size()];
                    tree.SetEntryIndex(node, input.ConsumeIntegral<std::int32_t>());
                }
                break;
            case 4:
                pagePaths.emplace_back(input.ConsumeRandomLengthString(48));
                break;
            default: {
                ScanNote note{static_cast<OmissionReason>(input.ConsumeIntegralInRange(
                                  0, static_cast<int>(OmissionReason::ListingEnded))),
                              input.ConsumeRandomLengthString(48),
                              input.ConsumeRandomLengthString(32),
                              {}};
                const std::size_t lost = input.ConsumeIntegralInRange(0, 3);
                for (std::size_t i = 0; i < lost; ++i)
                    note.lostEntries.push_back(input.ConsumeRandomLengthString(16));
                notes.push_back(std::move(note));
            }
        }
    }

    std::ostringstream out;
    WriteCatalogueJson(out, CatalogueReport{tree, pagePaths, notes});
    const std::string json = out.str();
    std::string error;
    const auto document = ParseJson(json, &error);
    FUZZ_CHECK(document.has_value(), error + "\n" + json.substr(0, 2000));
    FUZZ_CHECK(document->kind == JsonValue::Kind::Object && document->members.size() == 5, json);

    const JsonValue* nodes = document->Find("nodes");
    FUZZ_CHECK(nodes != nullptr && nodes->kind == JsonValue::Kind::Array, "nodes");
    FUZZ_CHECK(nodes->items.size() == tree.TopLevel().size(), "top-level count");
    // Walk the document and the tree side by side, without recursion.
    std::vector<std::pair<const JsonValue*, std::size_t>> pending;
    for (std::size_t i = 0; i < nodes->items.size(); ++i)
        pending.emplace_back(&nodes->items[i], tree.TopLevel()[i]);
    while (!pending.empty()) {
        const auto [value, position] = pending.back();
        pending.pop_back();
        const MemoryTree::Node& node = tree.Nodes()[position];
        FUZZ_CHECK(value->kind == JsonValue::Kind::Object && value->members.size() == 3,
                   "node shape");
        const JsonValue* caption = value->Find("caption");
        FUZZ_CHECK(caption != nullptr && caption->text == ExpectedUtf8(node.caption),
                   "caption " + Hex(node.caption) + " read back as " +
                       (caption ? Hex(caption->text) : ""));
        const JsonValue* entry = value->Find("entry");
        FUZZ_CHECK(entry != nullptr, "entry");
        if (node.entryIndex) {
            FUZZ_CHECK(entry->kind == JsonValue::Kind::Number &&
                           entry->text == std::to_string(*node.entryIndex),
                       "entry index");
        } else {
            FUZZ_CHECK(entry->kind == JsonValue::Kind::Null, "entry null");
        }
        const JsonValue* children = value->Find("children");
        FUZZ_CHECK(children != nullptr && children->kind == JsonValue::Kind::Array &&
                       children->items.size() == node.children.size(),
                   "children");
        for (std::size_t i = 0; i < node.children.size(); ++i)
            pending.emplace_back(&children->items[i], node.children[i]);
    }

    const JsonValue* paths = document->Find("paths");
    FUZZ_CHECK(paths != nullptr && paths->items.size() == pagePaths.size(), "paths");
    for (std::size_t i = 0; i < pagePaths.size(); ++i)
        CheckCarried(&paths->items[i], PathOf(pagePaths[i]), "path");

    // Each URI gives back the path's bytes, made absolute, whatever they are.
    const JsonValue* uris = document->Find("uris");
    FUZZ_CHECK(uris != nullptr && uris->items.size() == pagePaths.size(), "uris");
    for (std::size_t i = 0; i < pagePaths.size(); ++i) {
        const std::string path = PathOf(pagePaths[i]);
        // No file has such a name.
        if (path.empty() || path.find('\0') != std::string::npos) continue;
        const auto back = PathFromFileUri(uris->items[i].text);
        FUZZ_CHECK(back.has_value(), "uri " + uris->items[i].text);
        FUZZ_CHECK(*back == std::filesystem::absolute(path).native(),
                   "uri of " + Hex(path) + " gives back " + Hex(*back));
    }

    const JsonValue* codePage = document->Find("codePage");
    FUZZ_CHECK(codePage != nullptr && codePage->text == SystemCodePage().Name(), "codePage");

    const JsonValue* noteValues = document->Find("notes");
    FUZZ_CHECK(noteValues != nullptr && noteValues->items.size() == notes.size(), "notes");
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const JsonValue& value = noteValues->items[i];
        CheckCarried(value.Find("path"), PathOf(notes[i].path), "note path");
        const JsonValue* reason = value.Find("reason");
        FUZZ_CHECK(reason != nullptr && reason->text == OmissionReasonName(notes[i].reason),
                   "reason");
        if (notes[i].reason != OmissionReason::ListingEnded) {
            FUZZ_CHECK(value.members.size() == 2,
                       "a note without an error has path and reason only");
            continue;
        }
        CheckCarried(value.Find("error"), notes[i].error, "error");
        const JsonValue* lost = value.Find("lost");
        FUZZ_CHECK(lost != nullptr && lost->items.size() == notes[i].lostEntries.size(), "lost");
        for (std::size_t k = 0; k < lost->items.size(); ++k)
            CheckCarried(&lost->items[k], notes[i].lostEntries[k], "lost");
    }

    // A string on its own.
    const std::string raw(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64));
    const auto single = ParseJson(JsonString(raw), &error);
    FUZZ_CHECK(single.has_value(), error + ": " + Hex(raw));
    CheckCarried(&*single, raw, "JsonString");
    return 0;
}
