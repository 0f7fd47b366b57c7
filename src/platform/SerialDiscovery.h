#pragma once

#include <string>
#include <string_view>
#include <vector>

// Finds the serial device of the RF board's CompactFlash serial card from the
// serial devices that sysfs lists.
//
// Every /sys/class/tty/<tty> with a `device` link is one entry, in ascending
// byte order of <tty>. Its PnpId comes from the nearest device, walking up
// from the tty's device, that is a card or an adapter:
//   - a PCMCIA/CompactFlash card (has prod_idN): prod_id1 .. prod_id4;
//   - a USB device (has idVendor): manufacturer, product.
// Each string is trimmed, blanks become '_' and '/' becomes '-', and the
// non-empty ones are joined with '-': a card whose strings are "CF" and
// "Serial I/O" has the PnpId "CF-Serial_I-O".
class CSerialDiscovery {
public:
    // One serial device of the machine: the identity of the card or adapter
    // that provides it, and the device node to open.
    struct Entry {
        // "Manufacturer-Product-..." from the product strings; empty when the
        // device names none (an on-board UART).
        std::string PnpId;
        // "/dev/<tty>", or empty when the tty has no device number (no `dev`
        // attribute), so there is no node to open.
        std::string Name;
    };

    // The port opened when no card is found (the first on-board UART).
    static constexpr const char* kFallbackPort = "/dev/ttyS0";

    explicit CSerialDiscovery(std::string sysfsRoot = "/sys");

    // The machine's serial devices; empty when sysfs cannot be read.
    std::vector<Entry> Enumerate() const;

    // The board's port among `entries`: the first entry, in order, whose PnpId
    // begins (case-sensitively) with "Socket", "Quatech" or "CF-Serial_I-O"
    // and which has a device node. A matching entry without one does not end
    // the search. kFallbackPort when nothing matches.
    static std::string FindBoardPort(const std::vector<Entry>& entries);
    std::string FindBoardPort() const { return FindBoardPort(Enumerate()); }

    // Product string in the form used inside a PnpId.
    static std::string PnpIdPart(std::string_view text);

private:
    std::string m_strRoot;
};

// The tty path of the board: `optionPort` (the --port option) when not empty,
// else `envPort` (ORVALIS_PORT) when set and not empty, else discovery under
// `sysfsRoot`.
std::string ResolveBoardPortPath(const std::string& optionPort, const char* envPort,
                                 const std::string& sysfsRoot = "/sys");
