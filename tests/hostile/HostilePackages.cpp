#include "HostilePackages.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "HostileSupport.h"

namespace courseview::testing {

namespace {

std::string Utf16LittleEndian(std::string_view ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

std::string Utf16BigEndian(std::string_view ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes.push_back('\0');
        bytes.push_back(c);
    }
    return bytes;
}

void MakeSparse(const std::string& path, off_t size) {
    if (::truncate(path.c_str(), size) != 0) {
        throw std::runtime_error("truncate " + path + ": " + std::strerror(errno));
    }
}

}  // namespace

int LayOutDeepNesting(const std::string& folder, int pageEvery) {
    return MakeNestedFolders(folder.substr(0, folder.size() - 1), "d", 10000, pageEvery,
                             "<title>Level</title>");
}

void LayOutLinks(const std::string& folder) {
    MakeFolder(folder + "a");
    MakeFolder(folder + "a/b");
    MakeFolder(folder + "a/b/c");
    WriteFile(folder + "a/b/c/leaf.jpg", "x");
    MakeLink("../..", folder + "a/b/c/up");
    MakeLink(".", folder + "a/self^");
    MakeLink(folder.substr(0, folder.size() - 1), folder + "a/b/root");
    MakeFolder(folder + "web");
    for (int i = 0; i < 12; ++i) MakeFolder(folder + "web/f" + std::to_string(i));
    for (int i = 0; i < 12; ++i) {
        for (int j = 0; j < 12; ++j) {
            MakeLink("../f" + std::to_string(j),
                     folder + "web/f" + std::to_string(i) + "/l" + std::to_string(j));
        }
    }
    MakeFolder(folder + "loops");
    MakeLink("two.htm", folder + "loops/one.htm");
    MakeLink("one.htm", folder + "loops/two.htm");
    MakeFolder(folder + "dangling");
    MakeLink("nowhere.htm", folder + "dangling/gone.htm");
    MakeLink("nowhere.jpg", folder + "dangling/gone.jpg");
}

std::set<std::string> LayOutCrowd(const std::string& folder, int entries) {
    std::set<std::string> captions;
    for (int i = 0; i < entries; ++i) {
        const std::string number = std::to_string(i);
        switch (i % 5) {
            case 0:
                WriteFile(folder + "n" + number + ".txt", "");
                break;
            case 1:
            case 2:
                WriteFile(folder + "p" + number + ".htm", "<title>Page " + number + "</title>");
                captions.insert(" Page " + number);
                break;
            default:
                WriteFile(folder + "j" + number + ".jpg", "");
                captions.insert("j" + number);
        }
    }
    return captions;
}

std::vector<std::string> LayOutNames(const std::string& folder) {
    std::vector<std::string> names;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '/') names.push_back("b" + std::string(1, static_cast<char>(byte)) + ".jpg");
    }
    std::string low = "low-";
    std::string high = "high-";
    for (int byte = 1; byte < 128; ++byte) {
        if (byte != '/') low.push_back(static_cast<char>(byte));
    }
    for (int byte = 128; byte < 256; ++byte) high.push_back(static_cast<char>(byte));
    names.push_back(low + ".jpg");
    names.push_back(high + ".jpg");
    for (const std::string name :
         {"\"quoted\" 'single'.jpg", "a&amp;b&.jpg", "#hash.jpg", "what?.jpg", "100%.jpg",
          "%41%2F.jpg", "tab\there.jpg", "cr\rlf\n.jpg", "back\\slash.jpg",
          "\xD0\x9B\xD0\xB5\xD0\xBA\xD1\x86.jpg", "\xE4\xB8\xAD\xF0\x9F\x98\x80.avi"}) {
        names.push_back(name);
    }
    for (const auto& name : names) WriteFile(folder + name, "x");
    MakeFolder(folder + "new\nline^");
    WriteFile(folder + "new\nline^/<script>alert('x')<\\script>.htm",
              "<title>&amp; \"x\" <script>alert(1)</script></title>");
    return names;
}

void LayOutOddPages(const std::string& folder) {
    WriteFile(folder + "empty.htm", "");
    WriteFile(folder + "nuls.htm", std::string(4096, '\0'));
    WriteFile(folder + "odd.htm", "\xFF\xFE" + Utf16LittleEndian("<title>Ab</title>") + "x");
    WriteFile(folder + "odd-open.htm", "\xFF\xFE" + Utf16LittleEndian("<title>Ab") + "x");
    WriteFile(folder + "lone.htm", "\xFF\xFE" + Utf16LittleEndian("<title>A") +
                                       std::string("\x00\xD8", 2) + Utf16LittleEndian("B</title>"));
    WriteFile(folder + "lone-low.htm", "\xFE\xFF" + Utf16BigEndian("<title>") +
                                           std::string("\xDC\x00", 2) +
                                           Utf16BigEndian("x</title>"));
    MakeSparse(WriteFile(folder + "huge.htm", "<title>Big one</title>"), 2LL << 30);
    MakeSparse(WriteFile(folder + "hole.htm", ""), 2LL << 30);
    MakeFifo(folder + "clip.avi");
    MakeFolder(folder + "fifo");
    WriteFile(folder + "fifo/a.jpg", "x");
    MakeFifo(folder + "fifo/pipe.htm");
    WriteFile(folder + "fifo/z.jpg", "x");
    MakeFolder(folder + "device");
    MakeLink("/dev/zero", folder + "device/zero.htm");
    WriteFile(folder + "device/z.jpg", "x");
    MakeFolder(folder + "folder-page");
    MakeFolder(folder + "folder-page/_notes.htm");
    WriteFile(folder + "folder-page/z.jpg", "x");
}

}  // namespace courseview::testing
