#include "CatalogueReport.h"

#include <cstdio>

#include "Utf.h"

namespace courseview {

namespace {

std::string PathText(std::string_view path) { return Utf16ToUtf8(Utf8ToUtf16(path)); }

void WriteJsonNode(std::ostream& out, const MemoryTree& tree, std::size_t position) {
    // An explicit stack: a package nested thousands of folders deep must not
    // exhaust the call stack here either.
    struct Frame {
        std::size_t position;
        std::size_t nextChild;
    };
    std::vector<Frame> stack{{position, 0}};
    const auto& nodes = tree.Nodes();
    auto open = [&](std::size_t at) {
        const auto& node = nodes[at];
        out << "{\"caption\": " << JsonString(Utf16ToUtf8(node.caption)) << ", \"entry\": ";
        if (node.entryIndex) {
            out << *node.entryIndex;
        } else {
            out << "null";
        }
        out << ", \"children\": [";
    };
    open(position);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const auto& children = nodes[frame.position].children;
        if (frame.nextChild < children.size()) {
            if (frame.nextChild > 0) out << ", ";
            const std::size_t child = children[frame.nextChild++];
            open(child);
            stack.push_back({child, 0});
        } else {
            out << "]}";
            stack.pop_back();
        }
    }
}

std::string DisplayCaption(std::u16string_view caption) {
    std::string text;
    for (char c : Utf16ToUtf8(caption)) {
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\t') {
            text += "\\t";
        } else {
            text.push_back(c);
        }
    }
    return text;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    // Re-encoding makes the text valid UTF-8 whatever came in.
    const std::string text = Utf16ToUtf8(Utf8ToUtf16(utf8));
    std::string literal = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                literal += "\\\"";
                break;
            case '\\':
                literal += "\\\\";
                break;
            case '\n':
                literal += "\\n";
                break;
            case '\r':
                literal += "\\r";
                break;
            case '\t':
                literal += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    literal += escaped;
                } else {
                    literal.push_back(static_cast<char>(c));
                }
        }
    }
    literal += "\"";
    return literal;
}

void WriteCatalogueJson(std::ostream& out, const CatalogueReport& report) {
    out << "{\"nodes\": [";
    bool first = true;
    for (std::size_t position : report.tree.TopLevel()) {
        if (!first) out << ", ";
        first = false;
        WriteJsonNode(out, report.tree, position);
    }
    out << "], \"paths\": [";
    first = true;
    for (const auto& path : report.pagePaths) {
        if (!first) out << ", ";
        first = false;
        out << JsonString(PathText(path));
    }
    out << "], \"notes\": [";
    first = true;
    for (const auto& note : report.notes) {
        if (!first) out << ", ";
        first = false;
        out << "{\"path\": " << JsonString(PathText(note.path))
            << ", \"reason\": " << JsonString(OmissionReasonName(note.reason));
        if (note.reason == OmissionReason::ListingEnded) {
            out << ", \"error\": " << JsonString(note.error) << ", \"lost\": [";
            for (std::size_t i = 0; i < note.lostEntries.size(); ++i) {
                if (i > 0) out << ", ";
                out << JsonString(note.lostEntries[i]);
            }
            out << "]";
        }
        out << "}";
    }
    out << "]}\n";
}

void WriteCatalogueText(std::ostream& out, const CatalogueReport& report) {
    const auto& nodes = report.tree.Nodes();
    struct Frame {
        std::size_t position;
        std::size_t depth;
    };
    std::vector<Frame> stack;
    for (auto it = report.tree.TopLevel().rbegin(); it != report.tree.TopLevel().rend(); ++it) {
        stack.push_back({*it, 0});
    }
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        const auto& node = nodes[frame.position];
        out << std::string(frame.depth * 4, ' ');
        if (node.entryIndex) {
            out << "[" << *node.entryIndex << "] ";
        } else {
            out << "[-] ";
        }
        out << "\"" << DisplayCaption(node.caption) << "\"\n";
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
            stack.push_back({*child, frame.depth + 1});
        }
    }
    out << "\n" << nodes.size() << " nodes, " << report.pagePaths.size() << " openable entries\n";
    if (report.notes.empty()) return;
    out << "\nLeft out:\n";
    for (const auto& note : report.notes) {
        out << "  " << PathText(note.path) << ": " << OmissionReasonName(note.reason);
        if (note.reason == OmissionReason::ListingEnded) {
            out << " (" << note.error << ")";
            if (!note.lostEntries.empty()) {
                out << "; lost with it:";
                for (const auto& lost : note.lostEntries) out << " \"" << PathText(lost) << "\"";
            }
        }
        out << "\n";
    }
}

}  // namespace courseview
