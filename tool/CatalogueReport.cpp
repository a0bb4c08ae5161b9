#include "CatalogueReport.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "NodeActivation.h"
#include "Utf.h"

namespace courseview {

namespace {

// What a JSON string must escape: quote, backslash, control characters and
// DEL; 0 for a byte that goes out as it is.
constexpr auto JsonEscapes = [] {
    std::array<char, 256> escapes{};
    for (int c = 0; c < 0x20; ++c) escapes[c] = 'u';
    escapes[0x7F] = 'u';
    escapes['"'] = '"';
    escapes['\\'] = '\\';
    escapes['\n'] = 'n';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    return escapes;
}();

// Appends well-formed UTF-8 with JSON's escapes, a run of plain bytes at a time.
void AppendJsonEscaped(std::string& out, std::string_view utf8) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char escape = JsonEscapes[static_cast<unsigned char>(utf8[i])];
        if (escape == 0) continue;
        out.append(utf8, plain, i - plain);
        plain = i + 1;
        if (escape == 'u') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(utf8[i]));
            out += escaped;
        } else {
            out += '\\';
            out += escape;
        }
    }
    out.append(utf8, plain);
}

// Calls `append` for each well-formed run of `bytes` and for U+FFFD in place
// of each malformed sequence: what decoding and encoding back would give.
template <typename Append>
void ForEachRepairedRun(std::string_view bytes, Append append) {
    while (!bytes.empty()) {
        const Utf8Run run = NextUtf8Run(bytes, true);
        append(bytes.substr(0, run.wellFormed));
        if (run.malformed == 0) break;
        append("\xEF\xBF\xBD");
        bytes.remove_prefix(run.wellFormed + run.malformed);
    }
}

// A JSON string literal of bytes that may not be UTF-8.
void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    ForEachRepairedRun(bytes, [&out](std::string_view run) { AppendJsonEscaped(out, run); });
    out += '"';
}

// The same, for a caption: UTF-16 that may hold a lone surrogate.
void AppendJsonString(std::string& out, std::u16string_view caption, std::string& scratch) {
    scratch.clear();
    EncodeUtf8Prefix(caption, true, scratch);
    out += '"';
    AppendJsonEscaped(out, scratch);
    out += '"';
}

void AppendRepaired(std::string& out, std::string_view bytes) {
    ForEachRepairedRun(bytes, [&out](std::string_view run) { out += run; });
}

void AppendNumber(std::string& out, std::int64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

void WriteJsonNode(ReportOutput& output, const MemoryTree& tree, std::size_t position,
                   std::string& scratch) {
    // An explicit stack: a package nested thousands of folders deep must not
    // exhaust the call stack here either.
    struct Frame {
        std::size_t position;
        std::size_t nextChild;
    };
    std::vector<Frame> stack{{position, 0}};
    const auto& nodes = tree.Nodes();
    std::string& out = output.Text();
    auto open = [&](std::size_t at) {
        const auto& node = nodes[at];
        out += "{\"caption\": ";
        AppendJsonString(out, node.caption, scratch);
        out += ", \"entry\": ";
        if (node.entryIndex) {
            AppendNumber(out, *node.entryIndex);
        } else {
            out += "null";
        }
        out += ", \"children\": [";
        output.Written();
    };
    open(position);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const auto& children = nodes[frame.position].children;
        if (frame.nextChild < children.size()) {
            if (frame.nextChild > 0) out += ", ";
            const std::size_t child = children[frame.nextChild++];
            open(child);
            stack.push_back({child, 0});
        } else {
            out += "]}";
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

// Where relative paths are taken from, for their URIs: the working folder,
// as std::filesystem::absolute would take it, asked once.
std::string UriBase(const std::vector<std::string>& paths) {
    for (const auto& path : paths) {
        if (!path.empty() && path.front() != '/') {
            std::error_code ignored;
            return std::filesystem::current_path(ignored).native() + "/";
        }
    }
    return {};
}

void WriteToStream(std::ostream& stream, const CatalogueReport& report,
                   void (*write)(ReportOutput&, const CatalogueReport&)) {
    ReportOutput output([&stream](std::string_view piece) {
        stream.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    });
    write(output, report);
}

}  // namespace

ReportOutput::ReportOutput(std::function<void(std::string_view)> deliver)
    : m_deliver(std::move(deliver)) {
    m_text.reserve(PieceSize + PieceSize / 4);
}

void ReportOutput::Flush() {
    if (m_text.empty()) return;
    m_deliver(m_text);
    m_text.clear();
}

std::string JsonString(std::string_view utf8) {
    std::string literal;
    AppendJsonString(literal, utf8);
    return literal;
}

void WriteCatalogueJson(ReportOutput& output, const CatalogueReport& report) {
    std::string& out = output.Text();
    std::string scratch;
    out += "{\"nodes\": [";
    bool first = true;
    for (std::size_t position : report.tree.TopLevel()) {
        if (!first) out += ", ";
        first = false;
        WriteJsonNode(output, report.tree, position, scratch);
    }
    out += "], \"paths\": [";
    for (std::size_t i = 0; i < report.pagePaths.size(); ++i) {
        if (i > 0) out += ", ";
        AppendJsonString(out, report.pagePaths[i]);
        output.Written();
    }
    out += "], \"uris\": [";
    const std::string base = UriBase(report.pagePaths);
    for (std::size_t i = 0; i < report.pagePaths.size(); ++i) {
        if (i > 0) out += ", ";
        const std::string& path = report.pagePaths[i];
        out += '"';
        // Only the unreserved set and "%" are left: nothing to escape.
        if (!path.empty() && path.front() == '/') {
            AppendFileUri(out, path);
        } else {
            AppendFileUri(out, base + path);
        }
        out += '"';
        output.Written();
    }
    out += "], \"notes\": [";
    first = true;
    for (const auto& note : report.notes) {
        if (!first) out += ", ";
        first = false;
        out += "{\"path\": ";
        AppendJsonString(out, note.path);
        out += ", \"reason\": ";
        AppendJsonString(out, OmissionReasonName(note.reason));
        if (note.reason == OmissionReason::ListingEnded) {
            out += ", \"error\": ";
            AppendJsonString(out, note.error);
            out += ", \"lost\": [";
            for (std::size_t i = 0; i < note.lostEntries.size(); ++i) {
                if (i > 0) out += ", ";
                AppendJsonString(out, note.lostEntries[i]);
            }
            out += "]";
        }
        out += "}";
        output.Written();
    }
    out += "], \"codePage\": ";
    AppendJsonString(out, report.codePage);
    out += "}\n";
    output.Flush();
}

void WriteCatalogueText(ReportOutput& output, const CatalogueReport& report) {
    std::string& out = output.Text();
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
        out.append(frame.depth * 4, ' ');
        if (node.entryIndex) {
            out += "[";
            AppendNumber(out, *node.entryIndex);
            out += "] ";
        } else {
            out += "[-] ";
        }
        out += "\"" + DisplayCaption(node.caption) + "\"\n";
        output.Written();
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
            stack.push_back({*child, frame.depth + 1});
        }
    }
    out += "\n" + std::to_string(nodes.size()) + " nodes, " +
           std::to_string(report.pagePaths.size()) + " openable entries\n";
    if (!report.notes.empty()) {
        out += "\nLeft out:\n";
        for (const auto& note : report.notes) {
            out += "  ";
            AppendRepaired(out, note.path);
            out += ": ";
            out += OmissionReasonName(note.reason);
            if (note.reason == OmissionReason::ListingEnded) {
                out += " (" + note.error + ")";
                if (!note.lostEntries.empty()) {
                    out += "; lost with it:";
                    for (const auto& lost : note.lostEntries) {
                        out += " \"";
                        AppendRepaired(out, lost);
                        out += "\"";
                    }
                }
            }
            out += "\n";
            output.Written();
        }
    }
    out += "\ncode page: " + report.codePage + "\n";
    output.Flush();
}

void WriteCatalogueJson(std::ostream& out, const CatalogueReport& report) {
    WriteToStream(out, report, WriteCatalogueJson);
}

void WriteCatalogueText(std::ostream& out, const CatalogueReport& report) {
    WriteToStream(out, report, WriteCatalogueText);
}

}  // namespace courseview
