// Feeds arbitrary bytes as a packet log file to the reader and to the replay
// port, checking that every record found lies inside the file, in order. One
// reader serves every input (opening resets it).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/LogReader.h"
#include "board/ReplayPort.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CLogReader reader;
    std::vector<uint8_t> bytes(data, data + size);
    reader.OpenBytes(bytes);
    uint64_t end = 0;
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        if (item != CLogReader::Item::Record) continue;
        const LogRecord& r = reader.Record();
        if (r.nOffset < end || r.nOffset + r.nSize > size) __builtin_trap();
        if (r.nLength + 1 + r.marker.size() + 13 != r.nSize) __builtin_trap();
        end = r.nOffset + r.nSize;
    }

    CReplayPort port(0.0, [] { return 0.0; });
    port.OpenBytes(std::move(bytes));
    uint8_t buffer[4096];
    while (port.BytesWaiting() > 0) {
        if (port.Read(buffer, sizeof(buffer)) <= 0) __builtin_trap();
    }
    if (!port.Finished()) __builtin_trap();
    return 0;
}
