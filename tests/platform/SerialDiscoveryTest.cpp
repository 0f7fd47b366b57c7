#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/SerialDiscovery.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

using Entry = CSerialDiscovery::Entry;

// A sysfs tree in a temporary folder, laid out as the kernel lays it out:
// /class/tty/<tty> links to the tty's folder under /devices, whose `device`
// link points at the device that provides it.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_root / "class" / "tty"); }

    static void WriteFile(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }

    // A tty provided by the device at `deviceDir` (relative to /devices).
    void AddTty(const std::string& tty, const std::string& deviceDir, bool withNode = true) {
        const fs::path ttyDir = m_root / "devices" / deviceDir / "tty" / tty;
        fs::create_directories(ttyDir);
        if (withNode) WriteFile(ttyDir / "dev", "4:65\n");
        fs::create_directory_symlink("../..", ttyDir / "device");
        fs::create_directory_symlink(fs::path("../../devices") / deviceDir / "tty" / tty,
                                     m_root / "class" / "tty" / tty);
    }

    // A PCMCIA/CompactFlash serial card with up to four product strings.
    void AddCard(const std::string& tty, const std::string& socket,
                 std::initializer_list<const char*> prodIds, bool withNode = true) {
        const std::string dir = "pci0000:00/0000:00:0a.0/" + socket;
        int n = 1;
        for (const char* id : prodIds) {
            WriteFile(m_root / "devices" / dir / ("prod_id" + std::to_string(n++)),
                      std::string(id) + "\n");
        }
        WriteFile(m_root / "devices" / dir / "manf_id", "0x0105\n");
        AddTty(tty, dir, withNode);
    }

    // A USB serial adapter: the tty hangs off the port device of an interface
    // of the USB device, itself below a root hub that has strings of its own.
    void AddUsb(const std::string& tty, const std::string& busPort, const char* manufacturer,
                const char* product) {
        WriteFile(m_root / "devices/pci0000:00/usb1/idVendor", "1d6b\n");
        WriteFile(m_root / "devices/pci0000:00/usb1/manufacturer", "Linux xhci-hcd\n");
        const std::string dev = "pci0000:00/usb1/" + busPort;
        WriteFile(m_root / "devices" / dev / "idVendor", "0403\n");
        if (manufacturer) WriteFile(m_root / "devices" / dev / "manufacturer", manufacturer);
        if (product) WriteFile(m_root / "devices" / dev / "product", product);
        AddTty(tty, dev + "/" + busPort + ":1.0/" + tty);
    }

    std::vector<Entry> Enumerate() const { return CSerialDiscovery(m_root.string()).Enumerate(); }
    std::string Find() const { return CSerialDiscovery(m_root.string()).FindBoardPort(); }

    CTempFolder m_folder;
    const fs::path& m_root = m_folder.Root();
};

std::vector<std::string> Names(const std::vector<Entry>& entries) {
    std::vector<std::string> names;
    for (const Entry& e : entries) names.push_back(e.Name);
    return names;
}

}  // namespace

TEST_F(FakeSysfs, ListsEveryTtyWithADeviceInNameOrder) {
    AddTty("ttyS0", "platform/serial8250");
    AddUsb("ttyUSB0", "1-2", "Quatech Inc.\n", "USB/Serial Adapter\n");
    AddCard("ttyS1", "0.0", {"CF", "Serial I/O", "", "1.0"});
    fs::create_directories(m_root / "class" / "tty" / "tty0");  // virtual console: no device
    fs::create_directories(m_root / "class" / "tty" / "ptmx");

    const std::vector<Entry> entries = Enumerate();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(Names(entries),
              (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_EQ(entries[0].PnpId, "");  // an on-board UART names no product
    EXPECT_EQ(entries[1].PnpId, "CF-Serial_I-O-1.0");
    // The adapter's own strings, not the root hub's above it.
    EXPECT_EQ(entries[2].PnpId, "Quatech_Inc.-USB-Serial_Adapter");
}

TEST_F(FakeSysfs, SocketCardFromItsFirstProductString) {
    AddCard("ttyS3", "1.0", {"Socket Communications Inc", "Socket Dual RS232 Card"});
    AddTty("ttyS0", "platform/serial8250");
    EXPECT_EQ(Find(), "/dev/ttyS3");
}

TEST_F(FakeSysfs, CardWithoutADeviceNodeDoesNotEndTheSearch) {
    AddCard("ttyS1", "0.0", {"Socket", "Serial"}, /*withNode=*/false);
    AddUsb("ttyUSB0", "1-1", "Quatech\n", "SSU-100\n");
    const std::vector<Entry> entries = Enumerate();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, "");
    EXPECT_EQ(Find(), "/dev/ttyUSB0");
}

TEST_F(FakeSysfs, NoMatchingDeviceFallsBackToTheFirstUart) {
    AddTty("ttyS0", "platform/serial8250");
    AddCard("ttyS1", "0.0", {"socket", "lower case"});         // prefixes are case-sensitive
    AddUsb("ttyUSB0", "1-1", "My Socket Maker\n", "Cable\n");  // only at the beginning
    EXPECT_EQ(Find(), "/dev/ttyS0");
}

TEST_F(FakeSysfs, MissingOrUnreadableTreeFallsBack) {
    CSerialDiscovery nowhere((m_root / "no-such-sysfs").string());
    EXPECT_TRUE(nowhere.Enumerate().empty());
    EXPECT_EQ(nowhere.FindBoardPort(), "/dev/ttyS0");
}

TEST_F(FakeSysfs, OptionThenEnvironmentThenDiscovery) {
    AddCard("ttyS1", "0.0", {"CF-Serial_I-O"});
    const std::string root = m_root.string();
    EXPECT_EQ(ResolveBoardPortPath("/dev/pts/7", "/dev/ttyUSB9", root), "/dev/pts/7");
    EXPECT_EQ(ResolveBoardPortPath("", "/dev/ttyUSB9", root), "/dev/ttyUSB9");
    EXPECT_EQ(ResolveBoardPortPath("", "", root), "/dev/ttyS1");
    EXPECT_EQ(ResolveBoardPortPath("", nullptr, root), "/dev/ttyS1");
}

TEST(BoardPortLookup, FirstMatchingEntryInOrderWins) {
    // Enumeration order decides, not the order of the prefixes: a card listed
    // first wins even when its prefix is compared last.
    const std::vector<Entry> entries = {{"", "/dev/ttyS0"},
                                        {"CF-Serial_I-O-x", "/dev/ttyS1"},
                                        {"Socket-y", "/dev/ttyS2"},
                                        {"Quatech-z", "/dev/ttyS3"}};
    EXPECT_EQ(CSerialDiscovery::FindBoardPort(entries), "/dev/ttyS1");
}

TEST(BoardPortLookup, EachPrefixMatchesOnlyAtTheStartAndInFull) {
    struct Case {
        const char* pnpId;
        bool matches;
    };
    const Case cases[] = {{"Socket", true},         {"Socket-Serial", true},
                          {"Quatech_Inc.", true},   {"CF-Serial_I-O-Card", true},
                          {"Sock", false},          {"CF-Serial", false},
                          {"socket-serial", false}, {"QUATECH", false},
                          {"cf-serial_i-o", false}, {" Socket", false},
                          {"XSocket", false},       {"", false}};
    for (const Case& c : cases) {
        const std::vector<Entry> entries = {{c.pnpId, "/dev/ttyX"}};
        EXPECT_EQ(CSerialDiscovery::FindBoardPort(entries), c.matches ? "/dev/ttyX" : "/dev/ttyS0")
            << c.pnpId;
    }
}
