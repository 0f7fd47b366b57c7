#include "platform/SerialDiscovery.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The card's driver names, as the prefixes of its PnpId, in the order they are
// compared.
constexpr std::array<std::string_view, 3> kBoardPrefixes = {"Socket", "Quatech", "CF-Serial_I-O"};

// A sysfs attribute is short; anything longer is cut, like a fixed buffer.
constexpr std::streamsize kMaxAttribute = 512;

// Bounds the walk from a tty's device towards the root of the device tree.
constexpr int kMaxAncestors = 32;

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// The attribute's text; `found` tells an absent attribute from an empty one.
std::string ReadAttribute(const fs::path& p, bool* found = nullptr) {
    if (found) *found = false;
    std::ifstream in(p, std::ios::binary);
    if (!in) return {};
    std::string text(static_cast<size_t>(kMaxAttribute), '\0');
    in.read(text.data(), kMaxAttribute);
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (found) *found = true;
    return text;
}

std::string JoinParts(const std::vector<std::string>& raw) {
    std::string id;
    for (const std::string& r : raw) {
        const std::string part = CSerialDiscovery::PnpIdPart(r);
        if (part.empty()) continue;
        if (!id.empty()) id += '-';
        id += part;
    }
    return id;
}

// PnpId of the card or adapter nearest to `device`, or "" when there is none.
std::string PnpIdFor(const fs::path& device, const fs::path& root) {
    std::error_code ec;
    fs::path dir = fs::canonical(device, ec);
    if (ec) return {};
    for (int level = 0; level < kMaxAncestors; ++level) {
        // Stay inside the tree we were pointed at.
        const auto rel = dir.lexically_relative(root);
        if (rel.empty() || rel == "." || *rel.begin() == "..") break;

        std::vector<std::string> prodIds;
        bool isCard = false;
        for (int i = 1; i <= 4; ++i) {
            bool found = false;
            prodIds.push_back(ReadAttribute(dir / ("prod_id" + std::to_string(i)), &found));
            isCard = isCard || found;
        }
        if (isCard) return JoinParts(prodIds);
        if (Exists(dir / "idVendor")) {
            return JoinParts({ReadAttribute(dir / "manufacturer"), ReadAttribute(dir / "product")});
        }
        if (!dir.has_parent_path() || dir.parent_path() == dir) break;
        dir = dir.parent_path();
    }
    return {};
}

}  // namespace

CSerialDiscovery::CSerialDiscovery(std::string sysfsRoot) : m_strRoot(std::move(sysfsRoot)) {}

std::string CSerialDiscovery::PnpIdPart(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    std::string part;
    part.reserve(text.size());
    for (char c : text) {
        if (c == '\0') break;
        if (blank(c)) c = '_';
        if (c == '/') c = '-';
        part += c;
    }
    return part;
}

std::vector<CSerialDiscovery::Entry> CSerialDiscovery::Enumerate() const {
    std::vector<Entry> entries;
    std::error_code ec;
    const fs::path root = fs::canonical(m_strRoot, ec);
    if (ec) return entries;
    const fs::path ttyClass = root / "class" / "tty";

    std::vector<std::string> ttys;
    fs::directory_iterator it(ttyClass, ec);
    if (ec) return entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        ttys.push_back(it->path().filename().string());
    }
    std::sort(ttys.begin(), ttys.end());

    for (const std::string& tty : ttys) {
        const fs::path entryDir = ttyClass / tty;
        const fs::path device = entryDir / "device";
        if (!Exists(device)) continue;  // virtual terminals and ptys
        Entry entry;
        entry.PnpId = PnpIdFor(device, root);
        if (Exists(entryDir / "dev")) entry.Name = "/dev/" + tty;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string CSerialDiscovery::FindBoardPort(const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
        for (std::string_view prefix : kBoardPrefixes) {
            if (entry.PnpId.compare(0, prefix.size(), prefix) != 0) continue;
            if (!entry.Name.empty()) return entry.Name;
            // A card without a device node: the remaining prefixes are still
            // compared, then the next entry.
        }
    }
    return kFallbackPort;
}

std::string ResolveBoardPortPath(const std::string& optionPort, const char* envPort,
                                 const std::string& sysfsRoot) {
    if (!optionPort.empty()) return optionPort;
    if (envPort != nullptr && envPort[0] != '\0') return envPort;
    return CSerialDiscovery(sysfsRoot).FindBoardPort();
}
