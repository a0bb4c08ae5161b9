#include "PackageGenerator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace courseview::bench {

namespace {

// Raised whenever the layout below changes, so an old package is rebuilt.
constexpr int GeneratorVersion = 3;

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t HugePageBytes = 8 * KiB * KiB;

// splitmix64: small, and the same sequence with every standard library,
// which std::uniform_int_distribution does not promise.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    bool Chance(double probability) { return Unit() < probability; }
    template <typename Item, std::size_t N>
    const Item& Pick(const Item (&items)[N]) {
        return items[Below(N)];
    }

private:
    std::uint64_t m_state;
};

const char* const Words[] = {
    "Лекция",   "Введение", "Глава",         "Практикум", "Задачи",     "Ответы",    "Схема",
    "Опыт",     "Раздел",   "Тема",          "Обзор",     "Итоги",      "Словарь",   "Тест",
    "Пример",   "Модуль",   "Урок",          "Материалы", "Приложение", "Основы",    "Методика",
    "Механика", "Оптика",   "Электричество", "Химия",     "История",    "Геометрия", "Алгебра",
};
// A sentence planted in PlantedShare of the pages, for the search's figures:
// its words occur nowhere else.
constexpr double PlantedShare = 0.01;
constexpr const char* PlantedParagraph = "<p>Законы Кеплера описывают движение планет.</p>\r\n";

const char* const PageExtensions[] = {"htm", "htm", "htm", "html", "html", "HTM", "Html"};
const char* const PictureExtensions[] = {"jpg", "jpg", "bmp", "JPG"};
const char* const OtherExtensions[] = {"txt", "png", "js", "css", "exe", "pdf", "jpeg", "mp4"};

enum class Encoding { Utf8, Utf8WithMark, Windows1251, Utf16WithMark };

// Only ASCII and the Russian letters occur in the generated text.
std::string ToWindows1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            continue;
        }
        const auto next = static_cast<unsigned char>(utf8[++i]);
        const unsigned codePoint = ((lead & 0x1Fu) << 6) | (next & 0x3Fu);
        if (codePoint == 0x401) {
            out.push_back('\xA8');
        } else if (codePoint == 0x451) {
            out.push_back('\xB8');
        } else {
            out.push_back(static_cast<char>(codePoint - 0x410 + 0xC0));
        }
    }
    return out;
}

std::string ToUtf16LittleEndian(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        unsigned codePoint = lead;
        if (lead >= 0x80) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            codePoint = ((lead & 0x1Fu) << 6) | (next & 0x3Fu);
        }
        out.push_back(static_cast<char>(codePoint & 0xFF));
        out.push_back(static_cast<char>(codePoint >> 8));
    }
    return out;
}

std::string Encode(std::string_view utf8, Encoding encoding) {
    switch (encoding) {
        case Encoding::Windows1251:
            return ToWindows1251(utf8);
        case Encoding::Utf16WithMark:
            return ToUtf16LittleEndian(utf8);
        default:
            return std::string(utf8);
    }
}

void WriteFile(const std::string& path, std::string_view bytes, std::uint64_t apparentSize) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0)
        throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count <= 0) {
            ::close(descriptor);
            throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
        }
        written += static_cast<std::size_t>(count);
    }
    // The rest of a huge page is a hole: the scan never reads that far.
    if (apparentSize > bytes.size() &&
        ::ftruncate(descriptor, static_cast<off_t>(apparentSize)) != 0) {
        ::close(descriptor);
        throw std::runtime_error("cannot extend " + path + ": " + std::strerror(errno));
    }
    ::close(descriptor);
}

void MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot create folder " + path + ": " + std::strerror(errno));
    }
}

class Generator {
public:
    explicit Generator(const PackageShape& shape) : m_shape(shape), m_random(shape.seed) {
        BuildFiller();
    }

    PackageFacts Run(const std::string& folder) {
        MakeFolder(folder);
        Fill(folder, m_shape.entries);
        return m_facts;
    }

private:
    // Creates exactly `budget` entries inside `folder`, subfolders' contents
    // included: a few files of its own, the rest shared among subfolders, so
    // the depth grows with the size of the package.
    void Fill(const std::string& folder, std::uint64_t budget) {
        int serial = 0;
        bool wrapperWritten = false;
        std::uint64_t own = budget <= 60 ? budget : 12 + m_random.Below(30);
        std::uint64_t rest = budget - own;
        while (own > 0) {
            if (own >= 12 && m_random.Chance(0.04)) {
                const std::uint64_t inside =
                    std::min<std::uint64_t>(own - 1, 8 + m_random.Below(30));
                AddSkippedFolder(folder, ++serial, inside);
                own -= inside + 1;
            } else {
                AddFile(folder, ++serial, wrapperWritten);
                --own;
            }
        }
        if (rest == 0) return;
        const std::uint64_t subfolders = std::min<std::uint64_t>(rest, 2 + m_random.Below(6));
        rest -= subfolders;
        std::vector<std::uint64_t> weights(subfolders);
        std::uint64_t totalWeight = 0;
        for (auto& weight : weights) totalWeight += weight = 1 + m_random.Below(4);
        std::uint64_t left = rest;
        for (std::uint64_t i = 0; i < subfolders; ++i) {
            const std::uint64_t share =
                i + 1 == subfolders ? left : rest * weights[i] / totalWeight;
            left -= share;
            std::string name = std::string(m_random.Pick(Words)) + " " + std::to_string(++serial);
            if (m_random.Chance(0.15)) name += "^";
            const std::string path = folder + "/" + name;
            MakeFolder(path);
            ++m_facts.entries;
            Fill(path, share);
        }
    }

    void AddSkippedFolder(const std::string& folder, int serial, std::uint64_t inside) {
        std::string name;
        switch (m_random.Below(4)) {
            case 0:
                name = "_картинки " + std::to_string(serial);
                break;
            case 1:
                name = ".svn" + std::to_string(serial);
                break;
            case 2:
                name = std::string(m_random.Pick(Words)) + " " + std::to_string(serial) + ".files";
                break;
            default:
                name = std::string(m_random.Pick(Words)) + " " + std::to_string(serial) + ".FILES";
                break;
        }
        const std::string path = folder + "/" + name;
        MakeFolder(path);
        ++m_facts.entries;
        for (std::uint64_t i = 0; i < inside; ++i) {
            // Pages too: a scan that entered this folder would have to read them.
            const bool page = i % 2 == 0;
            const std::string file = path + "/" + (page ? "page" : "image") + std::to_string(i) +
                                     (page ? ".htm" : ".jpg");
            if (page) {
                WritePage(file, false);
            } else {
                WriteSmall(file);
            }
            ++m_facts.entries;
        }
    }

    void AddFile(const std::string& folder, int serial, bool& wrapperWritten) {
        const std::uint64_t roll = m_random.Below(1000);
        const std::string stem = folder + "/" + m_random.Pick(Words) + " " + std::to_string(serial);
        if (roll < 4 && !wrapperWritten) {
            // The viewer's own wrapper page name, in some Latin case: never listed.
            WriteSmall(folder + "/" + (roll % 2 == 0 ? "temp.htm" : "Temp.htm"));
            wrapperWritten = true;
        } else if (roll < 4) {
            WriteSmall(stem + ".txt");
        } else if (roll < 664) {
            WritePage(stem + "." + m_random.Pick(PageExtensions), true);
        } else if (roll < 834) {
            WriteSmall(stem + "." + m_random.Pick(PictureExtensions));
        } else if (roll < 874) {
            WriteSmall(stem + ".avi");
        } else {
            WriteSmall(stem + "." + m_random.Pick(OtherExtensions));
        }
        ++m_facts.entries;
    }

    void WriteSmall(const std::string& path) {
        const std::uint64_t size = 64 + m_random.Below(448);
        WriteFile(path, std::string_view(m_filler[0]).substr(0, size), size);
        m_facts.apparentBytes += size;
    }

    // Pages of 1-60 KB, most of them small, in the four encodings a package
    // meets; the title near the top, missing, or behind 40 KB of head.
    void WritePage(const std::string& path, bool counted) {
        const std::uint64_t encodingRoll = m_random.Below(100);
        const Encoding encoding = encodingRoll < 45   ? Encoding::Utf8
                                  : encodingRoll < 70 ? Encoding::Utf8WithMark
                                  : encodingRoll < 90 ? Encoding::Windows1251
                                                      : Encoding::Utf16WithMark;
        const std::uint64_t placement = m_random.Below(100);
        const bool huge = m_random.Chance(1.0 / 3000);
        const bool lateTitle = !huge && placement < 3;
        const bool noTitle = !huge && placement >= 3 && placement < 13;
        const double shape = m_random.Unit();
        std::uint64_t size =
            KiB + static_cast<std::uint64_t>(59.0 * KiB * shape * shape * shape * shape * shape);
        if (lateTitle) size = std::max<std::uint64_t>(size, 44 * KiB + m_random.Below(16 * KiB));

        std::string title;
        const int words = 1 + static_cast<int>(m_random.Below(4));
        title = std::string(m_random.Pick(Words)) + " " + std::to_string(m_random.Below(40)) + ".";
        for (int i = 0; i < words; ++i) title += std::string(" ") + m_random.Pick(Words);
        const bool upperTag = m_random.Chance(0.05);

        const std::size_t fillerIndex =
            static_cast<std::size_t>(encoding == Encoding::Windows1251     ? 1
                                     : encoding == Encoding::Utf16WithMark ? 2
                                                                           : 0);
        const std::string& filler = m_filler[fillerIndex];
        std::string bytes;
        if (encoding == Encoding::Utf8WithMark) bytes = "\xEF\xBB\xBF";
        if (encoding == Encoding::Utf16WithMark) bytes = "\xFF\xFE";
        bytes += Encode(
            "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html\">\r\n",
            encoding);
        const bool planted = counted && m_plant.Chance(PlantedShare);
        // A planted page stays well-formed in its encoding (the filler may
        // otherwise be cut inside a character): its pieces of filler start
        // and end at paragraphs.
        if (lateTitle) {
            bytes += filler.substr(
                0, planted ? ParagraphAtOrAfter(filler, 40 * KiB, encoding) : 40 * KiB);
        }
        if (!noTitle) {
            bytes += Encode(
                upperTag ? "<TITLE>" + title + "</TITLE>\r\n" : "<title>" + title + "</title>\r\n",
                encoding);
        }
        bytes += Encode("</head>\r\n<body>\r\n", encoding);
        if (planted) bytes += Encode(PlantedParagraph, encoding);
        std::uint64_t apparent = size;
        if (huge) {
            apparent = HugePageBytes;
            size = 64 * KiB;
        }
        if (bytes.size() < size) {
            std::size_t want = static_cast<std::size_t>(size - bytes.size());
            if (encoding == Encoding::Utf16WithMark) want &= ~std::size_t{1};
            std::size_t start = filler.size() - want;
            if (planted) start = ParagraphAtOrAfter(filler, start, encoding);
            bytes += filler.substr(start);
        }
        WriteFile(path, bytes, apparent);
        m_facts.apparentBytes += std::max<std::uint64_t>(apparent, bytes.size());
        if (counted) {
            ++m_facts.pages;
            if (huge) ++m_facts.hugePages;
            if (planted) ++m_facts.plantedPages;
        }
    }

    // Body text in each encoding, long enough for any page; it never holds
    // the word that opens a title.
    void BuildFiller() {
        std::string text;
        while (text.size() < 140 * KiB) {
            text += "<p>";
            const int words = 8 + static_cast<int>(m_random.Below(30));
            for (int i = 0; i < words; ++i) {
                text += m_random.Pick(Words);
                text += i + 1 == words ? ".</p>\r\n" : " ";
            }
        }
        m_filler[0] = text.substr(0, text.size());
        m_filler[1] = ToWindows1251(text);
        m_filler[2] = ToUtf16LittleEndian(text);
        for (auto& filler : m_filler)
            filler.resize(std::min<std::size_t>(filler.size(), 128 * KiB));
    }

    static std::size_t ParagraphAtOrAfter(const std::string& filler, std::size_t start,
                                          Encoding encoding) {
        const std::string opening = Encode("<p>", encoding);
        for (std::size_t at = filler.find(opening, start); at != std::string::npos;
             at = filler.find(opening, at + 1)) {
            if (encoding != Encoding::Utf16WithMark || at % 2 == 0) return at;
        }
        return filler.size();
    }

    const PackageShape& m_shape;
    Random m_random;
    // Its own sequence, so that planting leaves every other page as it was.
    Random m_plant{m_shape.seed ^ 0x6B65706C6572ull};
    PackageFacts m_facts;
    std::string m_filler[3];  // UTF-8, windows-1251, UTF-16LE
};

std::string FactsText(const PackageShape& shape, const PackageFacts& facts) {
    std::ostringstream text;
    text << GeneratorVersion << ' ' << shape.name << ' ' << shape.entries << ' ' << shape.seed
         << ' ' << facts.entries << ' ' << facts.pages << ' ' << facts.hugePages << ' '
         << facts.plantedPages << ' ' << facts.apparentBytes;
    return text.str();
}

}  // namespace

PackageShape MediumPackage(std::uint64_t seed) { return {"medium", 30000, seed}; }
PackageShape LargePackage(std::uint64_t seed) { return {"large", 160000, seed}; }

PackageFacts EnsurePackage(const std::string& folder, const PackageShape& shape) {
    const std::string marker = folder + ".facts";
    {
        std::ifstream in(marker);
        int version = 0;
        std::string name;
        std::uint64_t entries = 0;
        std::uint64_t seed = 0;
        PackageFacts facts;
        if (in >> version >> name >> entries >> seed >> facts.entries >> facts.pages >>
                facts.hugePages >> facts.plantedPages >> facts.apparentBytes &&
            version == GeneratorVersion && name == shape.name && entries == shape.entries &&
            seed == shape.seed && std::filesystem::is_directory(folder)) {
            return facts;
        }
    }
    std::filesystem::remove(marker);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
    PackageFacts facts = Generator(shape).Run(folder);
    facts.generatedNow = true;
    ::sync();
    // Written last: a generation that was cut short is never taken for a package.
    std::ofstream(marker) << FactsText(shape, facts) << '\n';
    return facts;
}

void EnsureHugePage(const std::string& path, std::uint64_t bytes) {
    std::error_code ignored;
    if (std::filesystem::file_size(path, ignored) == bytes) return;
    WriteFile(path, "<html><head><title>Огромная страница</title></head><body>\r\n", bytes);
}

}  // namespace courseview::bench
